#!/usr/bin/perl
# groff breaks lines only at spaces, and Chinese has none. Between Chinese characters this puts
# a zero-width break point (\:), never before closing punctuation nor after opening. A text line
# that ends in Chinese punctuation, or in Chinese before a line that begins in Chinese, joins the
# next text line without the space of a line end.
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
for my $i (0 .. $#lines) {
  next if $lines[$i] =~ /^[.']/;
  $lines[$i] =~ s/($before)(?=$after)/$1\\:/g;
  my $next = $i < $#lines ? $lines[$i + 1] : '.';
  next if $next =~ /^[.']/;
  my $joins = $lines[$i] =~ /$closing\n/ || ($lines[$i] =~ /$ideograph\n/ && $next =~ /^$after/);
  $lines[$i] =~ s/\n/\\:\\c\n/ if $joins;
}
print @lines;
