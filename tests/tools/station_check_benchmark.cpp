// What a whole exam costs station-check: a capture of HOURS hours (1 unless given; about
// 20,000 packets an hour: a station playing exercise 7 over and over beside a polled keyboard),
// written by libpcap, then read by libpcap alone and by station-check's reader alone, judged with
// the exercise given and found, and judged and drawn, each in a process of its own whose peak
// memory is its own. With ROOM, a room of ROOM such sessions is judged and reported (its page
// and its table) as station-check does, in turns with one of them alone. Prints figure lines.
// Usage: station-check-benchmark [HOURS [ROOM]]
#include <pcap/pcap.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "board_protocol.h"
#include "capture.h"
#include "capture_file.h"
#include "exercise_table.h"
#include "judge.h"
#include "picture.h"
#include "room.h"
#include "room_report.h"

namespace {

constexpr std::int64_t kSecond = 1'000'000;

// Writes usbmon packets (the memory-mapped header) through libpcap's own writer.
class Writer {
 public:
  explicit Writer(const std::string& path)
      : pcap_(pcap_open_dead(DLT_USB_LINUX_MMAPPED, 65535)),
        dump_(pcap_dump_open(pcap_, path.c_str())) {
    if (dump_ == nullptr) {
      std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), pcap_geterr(pcap_));
      std::exit(1);
    }
  }
  ~Writer() {
    pcap_dump_close(dump_);
    pcap_close(pcap_);
  }

  // One packet: type 'S' or 'C', transfer type 2 (control) or 1 (interrupt).
  void Packet(std::int64_t us, std::uint64_t id, char type, std::uint8_t transfer,
              std::uint8_t address, const std::uint8_t* setup, const std::uint8_t* data,
              std::uint32_t size) {
    std::uint8_t bytes[64 + 64] = {};
    std::memcpy(bytes, &id, 8);
    bytes[8] = static_cast<std::uint8_t>(type);
    bytes[9] = transfer;
    bytes[10] = transfer == 1 ? 0x81 : 0;
    bytes[11] = address;
    bytes[12] = 1;  // bus
    bytes[14] = setup != nullptr ? 0 : '-';
    bytes[15] = size > 0 ? 0 : '>';
    std::memcpy(bytes + 32, &size, 4);
    std::memcpy(bytes + 36, &size, 4);
    if (setup != nullptr) std::memcpy(bytes + 40, setup, 8);
    if (size > 0) std::memcpy(bytes + 64, data, size);
    pcap_pkthdr header{};
    header.ts.tv_sec = 1'700'000'000 + us / kSecond;
    header.ts.tv_usec = us % kSecond;
    header.caplen = header.len = 64 + size;
    pcap_dump(reinterpret_cast<u_char*>(dump_), &header, bytes);
    ++packets;
  }

  std::size_t packets = 0;

 private:
  pcap_t* pcap_;
  pcap_dumper_t* dump_;
};

// A station playing exercise 7 from its menu again and again: the menu choice, the green run,
// the red walk, EXIT, a pause; between them a keyboard's key twice a second. The board's own
// record of it goes to json, as virtual-board --json writes it.
std::size_t MakeCapture(const std::string& path, const std::string& json_path, int hours) {
  Writer out(path);
  std::ofstream json(json_path);
  const orlanek::Exercise* exercise = orlanek::ExerciseAt(6);
  std::int64_t now = 0, keyboard = 0;
  std::uint64_t id = 0x1000;
  const auto report = [&](std::uint8_t data, std::uint8_t control) {
    for (; keyboard < now; keyboard += 500'000) {
      const std::uint8_t key[8] = {0, 0, 4};
      out.Packet(keyboard, ++id, 'C', 1, 2, nullptr, key, 8);
    }
    const std::uint8_t setup[8] = {0x21, 0x09, 0, 3, 0, 0, 8, 0};
    const std::uint8_t bytes[8] = {data, control};
    out.Packet(now, ++id, 'S', 2, 3, setup, bytes, 8);
    out.Packet(now + 200, id, 'C', 2, 3, nullptr, nullptr, 0);
    json << "{\"ms\":" << now / 1000 << ",\"report\":[0," << int{data} << "," << int{control}
         << ",0,0,0,0,0,0]}\n";
    now += 1000;
  };
  const auto red = [&](std::uint8_t value) {
    for (const std::uint8_t control : orlanek::board::kRedLatch) report(value, control);
  };
  while (now < hours * 3600 * kSecond) {
    std::int64_t start = now;
    red(0);  // the menu choice
    for (int step = 0; step < 21; ++step) {
      now = start += kSecond;
      if (step == 0) red(0);
      report(step < static_cast<int>(exercise->steps.size()) ? exercise->steps[step] : 0,
             orlanek::board::kGreenWrite);
    }
    for (int step = 0; step < 11; ++step) {
      now = start += kSecond;
      red(step < 8 ? static_cast<std::uint8_t>(1 << step) : 0);  // the walk, its clear, EXIT
    }
    now = start + 3 * kSecond + 456'000;
  }
  return out.packets;
}

// Runs work in a child process: its wall time in ms and its peak resident memory in MB.
std::pair<double, double> Measure(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    work();
    std::_Exit(0);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "a measured run failed (status %d)\n", status);
    std::exit(1);
  }
  return {took.count(), static_cast<double>(usage.ru_maxrss) / 1024};
}

station_check::Verdict Judged(const std::string& path, int exercise,
                              station_check::Frames* frames = nullptr) {
  station_check::Judge judge({exercise, station_check::kToleranceMs, frames});
  const station_check::SessionResult read =
      station_check::ReadInput(std::fopen(path.c_str(), "rb"), false, 0, judge);
  if (!read.error.empty()) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), read.error.c_str());
    std::_Exit(1);
  }
  return judge.Finish();
}

void Figure(const std::string& name, double value, const char* unit) {
  std::printf("figure: %s %.1f %s\n", name.c_str(), value, unit);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Judges and draws the capture: its time and peak memory.
std::pair<double, double> Drawn(const std::string& capture, const std::string& picture, bool svg) {
  return Measure([&] {
    station_check::Frames frames(std::tmpfile());
    const station_check::Verdict verdict = Judged(capture, 7, &frames);
    std::ofstream out(picture, std::ios::binary);
    if (!(svg ? station_check::WritePictureSvg(verdict, frames, out)
              : station_check::WritePicturePng(verdict, frames, out)))
      std::_Exit(1);
  });
}

// A room of count copies of the capture against one of them, each judged and reported (the page
// and the table, on every core) in a process of its own, in turns: the room's time over count
// times one session's shared among the cores.
void RoomFigures(const std::string& folder, const std::string& capture, int count) {
  namespace fs = std::filesystem;
  const fs::path room = folder + "/room";
  fs::create_directory(room);
  for (int i = 1; i <= count; ++i)
    fs::create_hard_link(capture, room / ("candidate-" + std::to_string(i) + ".pcap"));
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const auto report = [&](const fs::path& input) {
    station_check::Room judged =
        station_check::PlanRoom(station_check::FindSessions({input}, {}), 7, nullptr);
    station_check::JudgeRoom(judged, {}, cores, nullptr);
    std::ofstream html(folder + "/room.html", std::ios::binary);
    std::ofstream csv(folder + "/room.csv", std::ios::binary);
    station_check::WriteRoomHtml(judged, "", cores, html);
    station_check::WriteRoomCsv(judged, csv);
    if (judged.size() != (input == room ? static_cast<std::size_t>(count) : 1) ||
        station_check::RoomStatus(judged) != 0 || !html.flush() || !csv.flush())
      std::_Exit(1);
  };
  double one_ms = std::numeric_limits<double>::max(), room_ms = one_ms, room_mb = 0;
  for (int turn = 0; turn < 3; ++turn) {
    one_ms = std::min(one_ms, Measure([&] { report(room / "candidate-1.pcap"); }).first);
    const auto [ms, mb] = Measure([&] { report(room); });
    room_ms = std::min(room_ms, ms);
    room_mb = std::max(room_mb, mb);
  }
  const std::string name = "station_check_room_" + std::to_string(count) + "_";
  Figure(name + "cores", cores, "cores");
  Figure(name + "one_session_ms", one_ms, "ms");
  Figure(name + "room_ms", room_ms, "ms");
  Figure(name + "over_one_times_count_per_core", room_ms / (one_ms * count / cores), "ratio");
  Figure(name + "peak_mb", room_mb, "MB");
  Figure(name + "page_mb", static_cast<double>(fs::file_size(folder + "/room.html")) / 1e6, "MB");
  fs::remove_all(room);
  fs::remove(folder + "/room.html");
  fs::remove(folder + "/room.csv");
}

}  // namespace

int main(int argc, char** argv) {
  const int hours = argc > 1 ? std::atoi(argv[1]) : 1;
  const int room = argc > 2 ? std::atoi(argv[2]) : 0;
  if (hours < 1 || hours > 24 || room < 0 || room > 100) {
    std::fprintf(stderr, "usage: station-check-benchmark [HOURS from 1 to 24 [ROOM up to 100]]\n");
    return 2;
  }
  char folder[] = "/tmp/station-check-benchmark.XXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  const std::string capture = std::string(folder) + "/exam.pcap";
  const std::string json = std::string(folder) + "/exam.jsonl";
  const std::string picture = std::string(folder) + "/exam";
  const std::string name = "station_check_" + std::to_string(hours) + "h_";
  Figure(name + "packets", static_cast<double>(MakeCapture(capture, json, hours)), "packets");

  // Reading alone, judging the exercise given and found, in turns so that all meet one load;
  // every measure in a process of its own, so that none holds another's memory.
  std::vector<double> read_ms, given_ms, found_ms, read_mb, given_mb, found_mb;
  for (int turn = 0; turn < 5; ++turn) {
    const auto [read, read_peak] = Measure([&] {
      char why[PCAP_ERRBUF_SIZE];
      pcap_t* pcap = pcap_open_offline(capture.c_str(), why);
      pcap_pkthdr* header;
      const u_char* bytes;
      while (pcap_next_ex(pcap, &header, &bytes) == 1) {
      }
      pcap_close(pcap);
    });
    const auto [given, given_peak] = Measure([&] { Judged(capture, 7); });
    const auto [found, found_peak] = Measure([&] { Judged(capture, 0); });
    read_ms.push_back(read);
    given_ms.push_back(given);
    found_ms.push_back(found);
    read_mb.push_back(read_peak);
    given_mb.push_back(given_peak);
    found_mb.push_back(found_peak);
  }
  Figure(name + "libpcap_read_ms", Median(read_ms), "ms");
  Figure(name + "libpcap_read_peak_mb", Median(read_mb), "MB");
  Figure(name + "judge_given_ms", Median(given_ms), "ms");
  Figure(name + "judge_found_ms", Median(found_ms), "ms");
  Figure(name + "judge_given_peak_mb", Median(given_mb), "MB");
  Figure(name + "judge_found_peak_mb", Median(found_mb), "MB");
  Figure(name + "judge_over_libpcap_read", Median(given_ms) / Median(read_ms), "times");
  const double own_ms = Measure([&] {
                          const gzFile stream = gzopen(capture.c_str(), "rb");
                          station_check::CaptureFile file(stream);
                          if (!file.Start()) std::_Exit(1);
                          while (file.Read() == station_check::CaptureFile::Next::kPacket) {
                          }
                          gzclose(stream);
                        }).first;
  Figure(name + "read_over_libpcap", own_ms / Median(read_ms), "times");
  Figure(name + "found_over_given", Median(found_ms) / Median(given_ms), "times");
  // The board's own record of the session, read line by line: the judge's memory alone.
  Figure(name + "judge_json_peak_mb", Measure([&] { Judged(json, 7); }).second, "MB");
  const auto [png_ms, png_mb] = Drawn(capture, picture + ".png", false);
  const auto [svg_ms, svg_mb] = Drawn(capture, picture + ".svg", true);
  Figure(name + "judge_and_png_ms", png_ms, "ms");
  Figure(name + "judge_and_png_peak_mb", png_mb, "MB");
  Figure(name + "judge_and_svg_ms", svg_ms, "ms");
  Figure(name + "judge_and_svg_peak_mb", svg_mb, "MB");
  // The whole capture judged, and judged as it should be; its ticks drawn.
  station_check::Frames frames(std::tmpfile());
  if (!Judged(capture, 7, &frames).pass) {
    std::fprintf(stderr, "the benchmark's exam does not pass\n");
    return 1;
  }
  Figure(name + "frames", static_cast<double>(frames.size()), "frames");
  if (room > 0) RoomFigures(folder, capture, room);
  for (const char* file : {"/exam.pcap", "/exam.jsonl", "/exam.png", "/exam.svg"})
    std::remove((std::string(folder) + file).c_str());
  rmdir(folder);
  return 0;
}
