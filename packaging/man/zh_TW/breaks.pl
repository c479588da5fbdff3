#!/usr/bin/perl
# groff breaks lines only at spaces, and Chinese has none. Between Chinese characters this puts
# a zero-width break point (\:), never before closing punctuation nor after opening. A text line
# that ends in Chinese punctuation joins the next text or font macro line, and one that ends in
# Chinese the next line that begins in Chinese, without the space of a line end.
use strict;
use utf8;
use warnings;
binmode STDIN, ":utf8";
binmode STDOUT, ":utf8";

my $ideograph = qr/[\x{3400}-\x{9FFF}\x{F900}-\x{FAFF}]/;
my $opening = qr/[（「『]/;
my $closing = qr/[，。；：、！？）」』]/;
my $before = qr/(?:$ideograph|$closing)/;
my $after = qr/(?:$ideograph|$opening)/;
my @lines = <STDIN>;
my $unfilled = 0;
for my $i (0 .. $#lines) {
  # Examples keep their lines as written.
  $unfilled = 1 if $lines[$i] =~ /^\.(?:EX|nf)\b/;
  $unfilled = 0 if $lines[$i] =~ /^\.(?:EE|fi)\b/;
  next if $unfilled || $lines[$i] =~ /^[.']/;
  $lines[$i] =~ s/($before)(?=$after)/$1\\:/g;
  my $next = $i < $#lines ? $lines[$i + 1] : '.';
  my $font = $next =~ /^\.[BIR]{1,2}\s/;
  my $joins = ($lines[$i] =~ /$closing\n/ && ($font || $next !~ /^[.']/))
    || ($lines[$i] =~ /$ideograph\n/ && $next =~ /^$after/);
  $lines[$i] =~ s/\n/\\:\\c\n/ if $joins;
}
print @lines;
