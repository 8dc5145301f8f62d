// How long reading and writing a large photograph's files takes under the system's codecs and our encoders.
//
//   molvane_file_timings.exe [--runs N] PHOTO.jpg PHOTO.png NOISY.png
//
// Prints rows of the benchmark report (scripts/bench): reading the JPEG and
// the PNG into our pixels (the batch host's and the viewer's first step),
// and writing the photograph and its noisy copy as PNG by our encoder beside
// the system's PNG encoder in the same run, and as JPEG and BMP. Each figure
// is the least of N runs (the system's PNG encoder, which takes seconds, runs
// once).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "host/file_replacement.h"
#include "host/image_files.h"
#include "host/png_encoder.h"
#include "host/stopwatch.h"

namespace molvane::host {
namespace {

int Processors() {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  return int(system.dwNumberOfProcessors);
}

double Least(int runs, const std::function<bool()>& step) {
  double best = -1;
  for (int i = 0; i < runs; ++i) {
    const Stopwatch watch;
    if (!step()) return -1;
    const double ms = watch.Milliseconds();
    if (best < 0 || ms < best) best = ms;
  }
  return best;
}

// The process's CPU time so far (all its threads), in ms.
double CpuMilliseconds() {
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  auto ms = [](const FILETIME& t) { return double(uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000.0; };
  return ms(kernel) + ms(user);
}

// `cause`: what holds a missed limit back, measured.
void Row(const std::string& step, double ms, double limit, const std::string& peer, double peerMs,
         const std::string& cause = "") {
  const std::string verdict = limit <= 0 ? "" : ms >= 0 && ms <= limit ? "met" : "MISSED: " + cause;
  std::printf("| %s | %.0f | %s | %s | %s | %s |\n", step.c_str(), ms,
              limit > 0 ? std::to_string(int(limit)).c_str() : "", peer.c_str(),
              peerMs > 0 ? (std::to_string(int(peerMs + 0.5)) + " (" + std::to_string(peerMs / ms).substr(0, 4) + " x)").c_str() : "",
              verdict.c_str());
}

int Run(int argc, char** argv) {
  int runs = 3;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    else files.push_back(argv[i]);
  }
  if (files.size() != 3) {
    std::fprintf(stderr, "usage: molvane_file_timings [--runs N] PHOTO.jpg PHOTO.png NOISY.png\n");
    return 2;
  }
  std::string error;
  Bitmap24 photo, noisy;
  auto read = [&](const std::string& path, Bitmap24& image) {
    return [&, path] {
      if (!ReadImageFile(path, image, error)) std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
      return error.empty();
    };
  };
  const double readJpeg = Least(runs, read(files[0], photo));
  const double readPng = Least(runs, read(files[1], photo));
  if (readJpeg < 0 || readPng < 0 || Least(1, read(files[2], noisy)) < 0) return 1;

  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string target = std::string(folder) + "molvane-timings";
  auto write = [&](const Bitmap24& image, const char* extension) {
    return [&, extension] {
      if (!WriteImageFile(target + extension, image, error)) std::fprintf(stderr, "%s\n", error.c_str());
      return error.empty();
    };
  };
  auto systemPng = [&](const Bitmap24& image) {
    return [&] {
      std::vector<uint8_t> bytes;
      return EncodeBySystemCodec(ImageFormat::kPng, image, kDefaultJpegQuality, bytes, error) &&
             ReplaceFileWith(target + "-wic.png", bytes, error);
    };
  };
  const std::string size = std::to_string(photo.width) + " x " + std::to_string(photo.height);
  std::printf("| file step at %s | ms (least of %d) | limit (ms) | peer, same run | peer ms (peer / ours) | |\n",
              size.c_str(), runs);
  std::printf("|---|---|---|---|---|---|\n");
  Row("read the JPEG into our pixels (WIC's decoder, the copy, the structure check)", readJpeg, 0, "", 0);
  Row("read the PNG into our pixels", readPng, 0, "", 0);
  // The CPU our encoder spends beside its wall-clock time: on a busy machine the two part.
  auto ours = [&](const Bitmap24& image, double& cpu) {
    const double before = CpuMilliseconds();
    const double ms = Least(runs, write(image, ".png"));
    cpu = (CpuMilliseconds() - before) / runs;
    return ms;
  };
  auto cause = [](double cpu) {
    return "the filtering and deflating take " + std::to_string(int(cpu + 0.5)) + " ms of CPU a run (" +
           std::to_string(Processors()) + " cores shared with the machine's other work)";
  };
  double cpuPhoto = 0, cpuNoisy = 0;
  const double photoMs = ours(photo, cpuPhoto), noisyMs = ours(noisy, cpuNoisy);
  Row("write the photograph as PNG (our encoder)", photoMs, 1500, "WIC's PNG encoder", Least(1, systemPng(photo)),
      cause(cpuPhoto));
  Row("write the noisy photograph as PNG (our encoder)", noisyMs, 1500, "WIC's PNG encoder", Least(1, systemPng(noisy)),
      cause(cpuNoisy));
  Row("write the photograph as JPEG (WIC)", Least(runs, write(photo, ".jpg")), 0, "", 0);
  Row("write the photograph as BMP (ours)", Least(runs, write(photo, ".bmp")), 0, "", 0);
  for (const char* extension : {".png", "-wic.png", ".jpg", ".bmp"}) DeleteFileA((target + extension).c_str());
  return 0;
}

}  // namespace
}  // namespace molvane::host

int main(int argc, char** argv) { return molvane::host::Run(argc, argv); }
