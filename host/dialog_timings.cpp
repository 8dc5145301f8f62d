// How quickly the dialogs answer a user, through the real plug-in on a large
// image: the time every dialog takes to open, the first time and again, the
// preview dialogs' worst re-render
// after a slider key, the matrix filter's "Visualiser", and each computation
// of the background and vignetting tools from the click that sets it off.
//
//   molvane_dialog_timings.exe [--plugin DLL] [--size WxH] [--keys N] [--memory TOOL] IMAGE
//
// Prints a Markdown table. With --memory, runs that one tool (1 to 8) and
// prints one row: the image's size, the arrays the design needs, the most
// private memory the run took (the host's own image included), and the ratio. Imports only kernel32 and the C runtime, like every
// host: the shared allocator record comes first, user32 is loaded afterwards.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "host/bmp.h"
#include "host/callback_recorder.h"
#include "host/dialog_driver.h"
#include "host/dialog_runs.h"
#include "host/image_files.h"
#include "host/plugin_library.h"
#include "host/shared_record.h"
#include "host/stopwatch.h"
#include "host/tool_list.h"

#include <psapi.h>

namespace molvane::host {
namespace {

struct Row {
  std::string what;
  double ms;
  const char* target;
};

// The photograph scaled to the size asked, nearest pixel.
Bitmap24 Scaled(const Bitmap24& image, int32_t width, int32_t height) {
  Bitmap24 out;
  out.width = width;
  out.height = height;
  out.pixels.resize(size_t(width) * size_t(height));
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      out.pixels[size_t(y) * size_t(width) + size_t(x)] =
          image.pixels[size_t(int64_t(y) * image.height / height) * size_t(image.width) +
                       size_t(int64_t(x) * image.width / width)];
  return out;
}

// The slowest of `keys` presses on a track bar, each rendering the preview
// before SendMessage returns: right arrows, then left ones.
double WorstKey(HWND bar, int keys) {
  double worst = 0;
  for (int i = 0; i < keys; ++i) {
    Stopwatch key;
    PressKey(bar, i < keys / 2 ? VK_RIGHT : VK_LEFT);
    worst = std::max(worst, key.Milliseconds());
  }
  return worst;
}

// The track bar nearest the dialog's top among those a user can move.
HWND TopSlider(HWND dialog) {
  HWND best = nullptr;
  LONG top = 0;
  for (HWND bar : ChildrenOfClass(dialog, kTrackBarClass)) {
    if (!IsEnabled(bar)) continue;
    const RECT place = PlaceIn(dialog, bar);
    if (!best || place.top < top) {
      best = bar;
      top = place.top;
    }
  }
  return best;
}

class Timings {
 public:
  Timings(const PluginExports& exports, const Bitmap24& image, int keys)
      : exports_(exports), image_(image), keys_(keys) {}

  // A modal dialog, opened twice (the first time makes its windows): each
  // opening, then the worst key on its first slider when it has one. The
  // opening ends at the first tick that finds the dialog: the tick is due
  // long before, and a loop takes a timer message only when no input or
  // painting is pending, so that is the moment the dialog stands painted and
  // ready.
  void Modal(int32_t tool) {
    const HostTool& known = *FindHostTool(tool);
    const char* caption = known.dialogCaption;
    const char* name = known.name;
    TPtsImg pixels = ToPixelArray(image_);
    for (const char* opening : {"first opening", "opening again"}) {
      double openMs = -1, keyMs = -1;
      Stopwatch open;
      DialogScript script(1);
      script
          .Then("the dialog shown",
                [&] {
                  if (!FindDialog(caption)) return false;
                  openMs = open.Milliseconds();
                  return true;
                })
          .Do("the slider's keys",
              [&] {
                if (HWND bar = TopSlider(FindDialog(caption))) keyMs = WorstKey(bar, keys_);
              })
          .Do("Annuler", [&] { PostClick(FindChild(FindDialog(caption), "Button", "Annuler")); });
      if (!script.Run([&] { Call(tool, MOLVANE_PHASE_OPEN, pixels); })) Failed(name, script.FailureText());
      rows_.push_back({std::string(name) + ": " + opening + ", until shown and painted", openMs, "100 ms"});
      if (keyMs >= 0) rows_.push_back({std::string(name) + ": worst re-render after a slider key", keyMs, "16 ms"});
    }
  }

  // A non-modal dialog, opened twice and cancelled: each opening, from the
  // call to the end of the painting it queued, as a host's loop would
  // dispatch it.
  void NonModal(int32_t tool) {
    const HostTool& known = *FindHostTool(tool);
    TPtsImg pixels = ToPixelArray(image_);
    for (const char* opening : {"first opening", "opening again"}) {
      Stopwatch open;
      Call(tool, MOLVANE_PHASE_OPEN, pixels);
      PumpMessages();
      const double openMs = open.Milliseconds();
      HWND dialog = FindDialog(known.dialogCaption);
      if (!dialog) Failed(known.name, "no dialog");
      rows_.push_back({std::string(known.name) + ": " + opening + ", until shown and painted", openMs, "100 ms"});
      Click(FindChild(dialog, "Button", "Annuler"));
      PumpMessages();
    }
  }

  // The merge: the second image's preview, the worst rate key.
  void Merge() {
    const char* caption = "Fusion d'images";
    TPtsImg first = ToPixelArray(image_), second = ToPixelArray(Mirrored(image_));
    Call(MOLVANE_TOOL_MERGE, MOLVANE_PHASE_OPEN, first);
    PumpMessages();
    Stopwatch arrival;
    Call(MOLVANE_TOOL_MERGE, MOLVANE_PHASE_CONTINUE, second);
    PumpMessages();
    rows_.push_back({"fusionner: the second image previewed", arrival.Milliseconds(), "100 ms"});
    HWND dialog = FindDialog(caption);
    Click(FindChild(dialog, "Button", "Jeu de transparence"));
    rows_.push_back({"fusionner: worst re-render after a rate key", WorstKey(TopSlider(dialog), keys_), "16 ms"});
    Click(FindChild(dialog, "Button", "Annuler"));
    PumpMessages();
  }

  // The comparison with the image mirrored: the gap image handed over.
  void Comparison() {
    TPtsImg first = ToPixelArray(image_), second = ToPixelArray(Mirrored(image_));
    DialogChoices choices;
    choices.factor = 4;
    const DialogReport report = DriveDialog(1, choices, [&] {
      Call(MOLVANE_TOOL_COMPARISON, MOLVANE_PHASE_OPEN, first);
      Call(MOLVANE_TOOL_COMPARISON, MOLVANE_PHASE_CONTINUE, second);
    });
    for (const std::string& failure : report.failures) Failed("comparaison", failure);
    rows_.push_back({"comparaison: Créer une image d'écart", report.finalButtonMs, "-"});
  }

  // The noise reduction: no dialog, the call is the computation.
  void NoiseReduction() {
    TPtsImg pixels = ToPixelArray(image_);
    Stopwatch run;
    Call(MOLVANE_TOOL_NOISE_REDUCTION, MOLVANE_PHASE_OPEN, pixels);
    rows_.push_back({"reduction: the whole call", run.Milliseconds(), "-"});
  }

  // The matrix filter's "Visualiser" with the smoothing filter.
  void Visualise() {
    const char* caption = "Filtres Matriciels";
    TPtsImg pixels = ToPixelArray(image_);
    double visualiseMs = -1;
    DialogScript script(10);
    script.WaitFor(caption)
        .Do("Lissage, Visualiser",
            [&] {
              HWND dialog = FindDialog(caption);
              PickComboItem(ChildrenOfClass(dialog, "ComboBox").back(), "Lissage");
              Stopwatch visualise;
              Click(FindChild(dialog, "Button", "Visualiser"));
              visualiseMs = visualise.Milliseconds();
            })
        .Do("Annuler", [&] { PostClick(FindChild(FindDialog(caption), "Button", "Annuler")); });
    if (!script.Run([&] { Call(MOLVANE_TOOL_MATRIX_FILTER, MOLVANE_PHASE_OPEN, pixels); })) Failed("filtres", script.FailureText());
    rows_.push_back({"filtres: Visualiser (Lissage)", visualiseMs, "-"});
  }

  // The background's fill and the vignetting's correction: the time of the
  // click that completes the points, which computes into the image.
  void Picking(int32_t tool, const DialogChoices& choices) {
    const char* name = FindHostTool(tool)->name;
    TPtsImg pixels = ToPixelArray(image_);
    double lastPointMs = -1;
    const PointSender send = [&](int32_t x, int32_t y) {
      TPtsImg sample;
      if (tool == MOLVANE_TOOL_BACKGROUND) sample = ToPixelArray(SampleAround(image_, x, y));
      Stopwatch point;
      exports_.XchgData(tool, 0, 0, x, y, image_.width, image_.height, MOLVANE_PHASE_CONTINUE, 0, sample.Handle(),
                        pixels.Handle(), "image", 0);
      lastPointMs = point.Milliseconds();
      return std::string();
    };
    DialogChoices cancel = choices;
    cancel.cancel = true;
    const DialogReport report = DriveDialog(tool, cancel, [&] { Call(tool, MOLVANE_PHASE_OPEN, pixels); }, true, send);
    for (const std::string& failure : report.failures) Failed(name, failure);
    rows_.push_back({std::string(name) + ": the computation set off by the last point", lastPointMs, "-"});
  }

  void Print() const {
    std::printf("| step (%d x %d) | ms | target |\n|---|---|---|\n", int(image_.width), int(image_.height));
    for (const Row& row : rows_) std::printf("| %s | %.1f | %s |\n", row.what.c_str(), row.ms, row.target);
  }
  bool Ok() const { return ok_; }

 private:
  void Call(int32_t tool, int32_t phase, const TPtsImg& pixels) {
    exports_.XchgData(tool, 0, 0, 0, 0, image_.width, image_.height, phase, 0, pixels.Handle(),
                      nullptr, "image", 0);
  }
  void Failed(const char* name, const std::string& why) {
    std::fprintf(stderr, "molvane_dialog_timings: %s: %s\n", name, why.c_str());
    ok_ = false;
  }

  const PluginExports& exports_;
  const Bitmap24& image_;
  int keys_;
  std::vector<Row> rows_;
  bool ok_ = true;
};

// The process's private memory, sampled every millisecond on a thread of
// its own while a run goes on: the most it reached.
class MemorySampler {
 public:
  MemorySampler() : thread_(CreateThread(nullptr, 0, &MemorySampler::Sample, this, 0, nullptr)) {}
  ~MemorySampler() {
    stop_ = 1;
    if (thread_) {
      WaitForSingleObject(thread_, INFINITE);
      CloseHandle(thread_);
    }
  }
  static double CurrentMegabytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return double(counters.PagefileUsage) / (1024.0 * 1024.0);
  }
  double PeakMegabytes() const { return double(peak_) / (1024.0 * 1024.0); }

 private:
  static DWORD WINAPI Sample(void* self) {
    auto* sampler = static_cast<MemorySampler*>(self);
    while (!sampler->stop_) {
      PROCESS_MEMORY_COUNTERS counters{};
      GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
      if (counters.PagefileUsage > sampler->peak_) sampler->peak_ = counters.PagefileUsage;
      Sleep(1);
    }
    return 0;
  }
  HANDLE thread_;
  volatile LONG stop_ = 0;
  volatile SIZE_T peak_ = 0;
};

int Fail(const std::string& why) {
  std::fprintf(stderr, "molvane_dialog_timings: %s\n", why.c_str());
  return 1;
}

int Run(int argc, char** argv) {
  std::string error;
  if (!StartSharedAllocator(error)) return Fail(error);
  std::string plugin, input;
  int32_t width = 4000, height = 3000;
  int keys = 20;
  int memoryTool = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--plugin" && i + 1 < argc) plugin = argv[++i];
    else if (arg == "--memory" && i + 1 < argc) memoryTool = std::atoi(argv[++i]);
    else if (arg == "--size" && i + 1 < argc && std::sscanf(argv[++i], "%dx%d", &width, &height) == 2) continue;
    else if (arg == "--keys" && i + 1 < argc) keys = std::max(2, std::atoi(argv[++i]));
    else if (input.empty() && arg[0] != '-') input = arg;
    else return Fail("usage: molvane_dialog_timings [--plugin DLL] [--size WxH] [--keys N] [--memory TOOL] IMAGE");
  }
  if (input.empty() || width <= 0 || height <= 0) return Fail("an image and a positive size are needed");
  Bitmap24 photo;
  if (!ReadImageFile(input, photo, error)) return Fail(input + ": " + error);
  const Bitmap24 image = Scaled(photo, width, height);
  if (plugin.empty()) plugin = ModuleFolder(reinterpret_cast<const void*>(&Fail)) + "Molvane.dll";
  PluginLibrary library;
  if (!library.Load(plugin, error)) return Fail(error);
  const PluginExports exports = library.ByName();
  if (!exports.Complete()) return Fail(plugin + " lacks an export");
  if (!WindowFunctionsAvailable(&error)) return Fail(error);
  exports.AdrRetour(CallbackRecorder::Instance().Callback(0), 1);

  Timings timings(exports, image, keys);
  DialogChoices fill;
  fill.f1 = {true, width / 10, height / 10};
  fill.f2 = {true, width - width / 10, height - height / 10};
  fill.seed = {true, 5, 5};
  DialogChoices corners;
  const int32_t dx = width / 20, dy = height / 20;
  corners.corners[0] = {true, dx, dy};
  corners.corners[1] = {true, width - dx, dy};
  corners.corners[2] = {true, width - dx, height - dy};
  corners.corners[3] = {true, dx, height - dy};
  const std::function<void()> runs[] = {
      [&] { timings.Comparison(); },
      [&] { timings.NoiseReduction(); },
      [&] { timings.Visualise(); },
      [&] { timings.Picking(MOLVANE_TOOL_BACKGROUND, fill); },
      [&] { timings.Picking(MOLVANE_TOOL_VIGNETTING, corners); },
      [&] { timings.Modal(MOLVANE_TOOL_THRESHOLD); },
      [&] { timings.Merge(); },
      [&] { timings.Modal(MOLVANE_TOOL_GRADIENT); },
  };
  if (memoryTool != 0) {
    if (memoryTool < 1 || memoryTool > 8) return Fail("--memory takes a tool from 1 to 8");
    const double before = MemorySampler::CurrentMegabytes();
    double peak = 0;
    {
      MemorySampler sampler;
      runs[memoryTool - 1]();
      peak = sampler.PeakMegabytes();
    }
    // What the design needs: the host's image and the private copy, or for
    // tools 1 and 7 the two images and the new one; the fill adds its
    // per-pixel state, a visited flag and a work-list entry (5 bytes).
    const int arrays = memoryTool == 1 || memoryTool == 7 ? 3 : 2;
    const double megabytes = 1024.0 * 1024.0;
    const double imageMb = double(image.pixels.size()) * 3 / megabytes;
    const double fillMb = memoryTool == 4 ? double(image.pixels.size()) * 5 / megabytes : 0;
    const double designMb = arrays * imageMb + fillMb;
    std::printf("| %d | %.1f | %d x %.1f%s = %.1f | %.1f | %.2f |\n", memoryTool, imageMb, arrays, imageMb,
                fillMb > 0 ? " + fill state" : "", designMb, peak - before, (peak - before) / designMb);
    return timings.Ok() ? 0 : 1;
  }
  // The display's driver starts with a process's first window (some 30 ms
  // under Wine): a host's own window is up before any plug-in dialog opens.
  HostWindow hostWindow("molvane_dialog_timings");
  // Every dialog's openings first, each the first of its kind in the process.
  for (int tool : {6, 8, 3}) timings.Modal(tool);
  for (int tool : {7, 1, 4, 5}) timings.NonModal(tool);
  for (int tool : {7, 3, 4, 5}) runs[tool - 1]();
  timings.Print();
  return timings.Ok() ? 0 : 1;
}

}  // namespace
}  // namespace molvane::host

int main(int argc, char** argv) { return molvane::host::Run(argc, argv); }
