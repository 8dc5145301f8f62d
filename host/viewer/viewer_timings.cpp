// How long a large photograph takes in the viewer: to reach the screen, to repaint after a zoom step or a scroll, and a tool run's undo step.
//
//   molvane_viewer_timings.exe [--runs N] PHOTO.jpg
//
// Prints rows of the benchmark report (scripts/bench), each the least of N
// runs, for a window of 900 x 600 pixels showing the photograph: reading the
// file (our structure check, the system's decoder) straight into the
// document's array (and, as before, into our pixels then copied there), the
// quick first picture and its paint, the copy into the window's bitmap
// made after it, the exact copies made behind it; a zoom step to a level whose copy
// was made ahead, and to one without (a new reduced copy and its paint); the
// same step stretching the whole image at each paint, as the window did
// before; a paint at 100 % after a scroll. Then a tool run's undo step on the
// whole image: the spare block touched in the background, the copy taken
// before the run into it (and into fresh memory, as before), the step kept
// after the run (the changed rectangle found and held), its undo and its redo.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "host/image_files.h"
#include "host/image_precheck.h"
#include "host/shared_record.h"
#include "host/stopwatch.h"
#include "host/viewer/image_view.h"
#include "host/viewer/spare_block.h"
#include "host/viewer/undo_history.h"
#include "host/viewer/zoomed_picture.h"

namespace molvane::viewer {
namespace {

constexpr SIZE kWindow{900, 600};

double Least(int runs, const std::function<void()>& step) {
  double best = -1;
  for (int i = 0; i < runs; ++i) {
    const host::Stopwatch watch;
    step();
    const double ms = watch.Milliseconds();
    if (best < 0 || ms < best) best = ms;
  }
  return best;
}

// `cause`: what holds a missed limit back, measured.
void Row(const std::string& step, double ms, double limit, double peerMs = 0, const std::string& cause = "") {
  std::printf("| %s | %.1f | %s | %s | %s |\n", step.c_str(), ms, limit > 0 ? std::to_string(int(limit)).c_str() : "",
              peerMs > 0 ? (std::to_string(peerMs).substr(0, 6) + " (" + std::to_string(peerMs / ms).substr(0, 5) + " x)").c_str() : "",
              limit <= 0 ? "" : ms <= limit ? "met" : ("MISSED: " + cause).c_str());
}

std::string Ms(double ms) { return std::to_string(int(ms + 0.5)) + " ms"; }

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return bytes;
  uint8_t chunk[65536];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(file);
  return bytes;
}


int Run(int argc, char** argv) {
  int runs = 5;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    else path = argv[i];
  }
  if (path.empty()) {
    std::fprintf(stderr, "usage: molvane_viewer_timings [--runs N] PHOTO.jpg\n");
    return 2;
  }
  host::Bitmap24 image;
  std::string error;
  const double read = Least(runs, [&] { host::ReadImageFile(path, image, error); });
  if (!error.empty() || image.pixels.empty()) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
    return 1;
  }
  // The structure check the reading runs before the system's decoder.
  const std::vector<uint8_t> bytes = FileBytes(path);
  std::string problem;
  const double precheck = Least(runs, [&] { host::CheckImageStructure(bytes.data(), bytes.size(), problem); });
  // The document's array, which the plug-in shares: the decoder writes there;
  // before, the pixels read were copied into it.
  const double readInto = Least(runs, [&] {
    TPtsImg array;
    int32_t width = 0, height = 0;
    host::ReadImageFileInto(
        path, [&](int32_t w, int32_t h) { return (array = TPtsImg::Uninitialised(w * h)).Data(); }, width, height, error);
  });
  const double shared = Least(runs, [&] { TPtsImg array = host::ToPixelArray(image); });
  DibPixels dib;
  // Into fresh pages each time, as an image opening gets.
  const double copy = Least(runs, [&] {
    DibPixels fresh;
    CopyIntoDib(image.pixels.data(), image.width, image.height, fresh);
    dib = std::move(fresh);
  });

  // The window's surface: a bitmap as large as its client area; a hidden
  // window takes the messages of the copies made in the background.
  HWND told = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP surface = CreateCompatibleBitmap(screen, kWindow.cx, kWindow.cy);
  HGDIOBJ old = SelectObject(dc, surface);
  const SIZE size{dib.width, dib.height};
  const double fit = std::min(double(kWindow.cx) / size.cx, double(kWindow.cy) / size.cy);
  const double stepIn = fit * 1.25, menuStepIn = ImageView::ZoomStep(fit, 1);
  auto all = [&](double zoom) {
    return RECT{0, 0, std::min(size.cx, LONG(std::ceil(kWindow.cx / zoom))), std::min(size.cy, LONG(std::ceil(kWindow.cy / zoom)))};
  };
  auto paintAt = [&](ZoomedPicture& picture, double zoom) { picture.Draw(dc, dib, zoom, POINT{0, 0}, all(zoom)); GdiFlush(); };
  const double firstPaintExact = Least(runs, [&] {
    ZoomedPicture picture;
    paintAt(picture, fit);
  });
  // As the window does: the quick picture first, straight from the document's pixels before
  // its bitmap is made, then the exact copies made behind it.
  const double quickPaint = Least(runs, [&] {
    ZoomedPicture picture;
    picture.DrawQuick(dc, image.pixels.data(), size, fit, POINT{0, 0}, all(fit));
    GdiFlush();
  });
  double fitReady = -1, allReady = -1;
  for (int i = 0; i < runs; ++i) {
    ZoomedPicture picture(ImageView::StepFactors());
    picture.PostReadyTo(told);
    const host::Stopwatch watch;
    paintAt(picture, fit);
    const double painted = watch.Milliseconds();
    double fitAt = -1;
    for (MSG message; GetMessageA(&message, told, 0, 0) > 0;) {
      if (message.message != ZoomedPicture::kCopyReady) continue;
      if (int(message.wParam) == ReductionFactor(fit)) fitAt = watch.Milliseconds() - painted;
      if (message.lParam == 1) break;
    }
    const double allAt = watch.Milliseconds() - painted;
    if (fitReady < 0 || fitAt < fitReady) fitReady = fitAt;
    if (allReady < 0 || allAt < allReady) allReady = allAt;
  }
  ZoomedPicture ahead(ImageView::StepFactors());
  ahead.PostReadyTo(told);
  paintAt(ahead, fit);
  for (MSG message; GetMessageA(&message, told, 0, 0) > 0;)
    if (message.message == ZoomedPicture::kCopyReady && message.lParam == 1) break;
  size_t aheadBytes = 0;
  for (const int k : ImageView::StepFactors())
    if (const DibPixels* made = ahead.ExactCopy(k)) aheadBytes += made->bytes.size();
  const double menuStep = Least(runs, [&] {
    paintAt(ahead, menuStepIn);
    paintAt(ahead, fit);
  }) / 2;
  ZoomedPicture kept;
  paintAt(kept, fit);
  const double zoomStep = Least(runs, [&] {
    kept.Forget();  // each run makes its copy, as the first step to a level with none made ahead does
    paintAt(kept, stepIn);
  });
  const double zoomStepWhole = Least(runs, [&] {
    StretchVisiblePart(dc, dib, 1, size, stepIn, POINT{0, 0}, all(stepIn));
    GdiFlush();
  });
  const double repaintKept = Least(runs, [&] { paintAt(kept, stepIn); });
  paintAt(kept, fit);
  const double stepBack = Least(runs, [&] {
    paintAt(kept, stepIn);
    paintAt(kept, fit);
  }) / 2;
  const double scroll = Least(runs, [&] {
    ZoomedPicture full;
    full.Draw(dc, dib, 1, POINT{-2000, -1500}, RECT{2000, 1500, 2000 + kWindow.cx, 1500 + kWindow.cy});
    GdiFlush();
  });
  SelectObject(dc, old);
  DeleteObject(surface);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  DestroyWindow(told);

  std::printf("| %d x %d photograph in a %ld x %ld window | ms (least of %d) | limit (ms) | before: whole image stretched, ms | |\n",
              size.cx, size.cy, kWindow.cx, kWindow.cy, runs);
  std::printf("|---|---|---|---|---|\n");
  Row("JPEG read into our pixels", read, 0);
  Row("JPEG read straight into the document's shared array", readInto, 0);
  Row("of which the check of the file's structure (ours)", precheck, 0);
  Row("of which the system's decoder and its conversion to 24 bits (cannot move)", readInto - precheck, 0);
  Row("copy of the pixels read into the document's shared array (before; now none)", shared, 0);
  Row("quick picture for the zoom to fit (a pixel per block of the document's pixels), and its paint", quickPaint, 0);
  Row("copy into the window's bitmap (after the first paint)", copy, 0);
  Row("reduced copy for the zoom to fit, and its paint (the first paint before)", firstPaintExact, 0);
  const double open = readInto + quickPaint;
  Row("open to first paint (read into the document, the quick picture; window creation left out)", open, 500, 0,
      "the system's JPEG decoder takes " + Ms(readInto - precheck) + " of it");
  Row("exact copy for the zoom to fit replacing the quick picture, after the bitmap (background)", fitReady, 0);
  Row("copies of the zoom menu's " + std::to_string(ImageView::StepFactors().size()) + " steps below 50 % (" +
          std::to_string(aheadBytes >> 20) + " MB) all made, after the bitmap (background)",
      allReady, 0);
  Row("zoom menu step in from fit and back, copies made ahead: paint", menuStep, 16, zoomStepWhole);
  Row("zoom step in from fit: new reduced copy and paint", zoomStep, 16, zoomStepWhole,
      "a level no copy was made ahead for (here x 1.25, not a menu step): the reduction of the whole image takes " +
          Ms(zoomStep - repaintKept));
  Row("repaint at that zoom from the kept copy", repaintKept, 16, zoomStepWhole);
  Row("zoom step to a level seen before (kept copies), paint", stepBack, 16, zoomStepWhole);
  Row("repaint at 100 % after a scroll", scroll, 16);

  // A tool run that changed every pixel: the copy before it, the step, undo, redo.
  UndoBudget budget(size_t(512) << 20);
  UndoHistory history(budget);
  std::vector<Pixel24> before;
  // Fresh memory each time, as a run's copy was before the spare block.
  const double snapshotFresh = Least(runs, [&] {
    std::vector<Pixel24> copy(image.pixels);
    before.swap(copy);
  });
  before.clear();
  before.shrink_to_fit();
  // The spare block touched in the background while the viewer waits, then the copy into it.
  double touch = -1, snapshot = -1;
  for (int i = 0; i < runs; ++i) {
    SpareBlock spare;
    const host::Stopwatch watch;
    spare.Prepare(image.pixels.size());
    before = spare.Take(image.pixels.size());  // waits for the thread
    const double touched = watch.Milliseconds();
    budget.GiveBackSpare(std::move(before));
    const host::Stopwatch copying;
    before = budget.CopyIntoSpare(image.pixels.data(), image.pixels.size());
    const double copied = copying.Milliseconds();
    if (i + 1 < runs) budget.GiveBackSpare(std::move(before));
    if (touch < 0 || touched < touch) touch = touched;
    if (snapshot < 0 || copied < snapshot) snapshot = copied;
  }
  for (Pixel24& p : image.pixels) p.g = uint8_t(255 - p.g);
  uint64_t state = 2;
  const double keep = Least(1, [&] { history.Keep(std::move(before), image.pixels.data(), image.width, image.height, 1); });
  const double undo = Least(1, [&] { history.Undo(image.pixels.data(), image.width, state); });
  const double redo = Least(1, [&] { history.Redo(image.pixels.data(), image.width, state); });
  std::printf("\n| undo step of a tool run on the whole %d x %d image | ms | limit (ms) | | |\n", size.cx, size.cy);
  std::printf("|---|---|---|---|---|\n");
  const std::string bandwidth = "a copy of the image into pages already there takes " + Ms(snapshot);
  Row("spare block touched in the background after the image opens or a run ends (off the window's thread)", touch, 0);
  Row("copy of the pixels before the run, into the spare block (least of N)", snapshot, 30, 0, bandwidth);
  Row("copy of the pixels before the run into fresh memory (before)", snapshotFresh, 0);
  Row("step kept after the run: changed rectangle found and held", keep, 30);
  Row("undo (once)", undo, 30, 0, "swapping the whole image's bytes; " + bandwidth);
  Row("redo (once)", redo, 30, 0, "swapping the whole image's bytes; " + bandwidth);
  return 0;
}

}  // namespace
}  // namespace molvane::viewer

int main(int argc, char** argv) { return molvane::viewer::Run(argc, argv); }
