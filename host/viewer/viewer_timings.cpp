// How long a large photograph takes in the viewer: to reach the screen, to repaint after a zoom step or a scroll, and a tool run's undo step.
//
//   molvane_viewer_timings.exe [--runs N] PHOTO.jpg
//
// Prints rows of the benchmark report (scripts/bench), each the least of N
// runs, for a window of 900 x 600 pixels showing the photograph: reading the
// file, the copy into the window's bitmap, the reduced copy for the zoom to
// fit and the first paint; a zoom step (a new reduced copy and its paint);
// the same step stretching the whole image at each paint, as the window did
// before; a paint at 100 % after a scroll. Then a tool run's undo step on the
// whole image: the copy taken before the run, the step kept after it (the
// changed rectangle found and held), its undo and its redo.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "host/image_files.h"
#include "host/stopwatch.h"
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

DibPixels AsDib(const host::Bitmap24& image) {
  DibPixels dib;
  dib.width = image.width;
  dib.height = image.height;
  dib.bytes.assign(dib.Stride() * size_t(dib.height), 0);
  for (int row = 0; row < image.height; ++row)
    std::memcpy(&dib.bytes[size_t(image.height - 1 - row) * dib.Stride()], &image.pixels[size_t(row) * image.width],
                size_t(image.width) * 3);
  return dib;
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
  DibPixels dib;
  const double copy = Least(runs, [&] { dib = AsDib(image); });

  // The window's surface: a bitmap as large as its client area.
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP surface = CreateCompatibleBitmap(screen, kWindow.cx, kWindow.cy);
  HGDIOBJ old = SelectObject(dc, surface);
  const SIZE size{dib.width, dib.height};
  const double fit = std::min(double(kWindow.cx) / size.cx, double(kWindow.cy) / size.cy);
  const double stepIn = fit * 1.25;
  auto all = [&](double zoom) {
    return RECT{0, 0, std::min(size.cx, LONG(std::ceil(kWindow.cx / zoom))), std::min(size.cy, LONG(std::ceil(kWindow.cy / zoom)))};
  };
  auto paintAt = [&](ZoomedPicture& picture, double zoom) { picture.Draw(dc, dib, zoom, POINT{0, 0}, all(zoom)); GdiFlush(); };
  const double firstPaint = Least(runs, [&] {
    ZoomedPicture picture;
    paintAt(picture, fit);
  });
  ZoomedPicture kept;
  paintAt(kept, fit);
  const double zoomStep = Least(runs, [&] {
    kept.Forget();  // each run makes its copy, as the first step to a new zoom does
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

  std::printf("| %d x %d photograph in a %ld x %ld window | ms (least of %d) | limit (ms) | before: whole image stretched, ms | |\n",
              size.cx, size.cy, kWindow.cx, kWindow.cy, runs);
  std::printf("|---|---|---|---|---|\n");
  Row("JPEG read into our pixels", read, 0);
  Row("copy into the window's bitmap", copy, 0);
  Row("reduced copy for the zoom to fit, and its paint", firstPaint, 0);
  Row("open to first paint (the three above; window creation left out)", read + copy + firstPaint, 500, 0,
      "the system's JPEG decoder and our copy into its pixels take " + Ms(read) + " of it");
  Row("zoom step in from fit: new reduced copy and paint", zoomStep, 16, zoomStepWhole,
      "the reduction of the whole image, once per new level, takes " + Ms(zoomStep - repaintKept));
  Row("repaint at that zoom from the kept copy", repaintKept, 16, zoomStepWhole);
  Row("zoom step to a level seen before (kept copies), paint", stepBack, 16, zoomStepWhole);
  Row("repaint at 100 % after a scroll", scroll, 16);

  // A tool run that changed every pixel: the snapshot, the step, undo, redo.
  UndoBudget budget(size_t(512) << 20);
  UndoHistory history(budget);
  std::vector<Pixel24> before;
  // Fresh memory each time, as a run's copy of the document's pixels is.
  const double snapshot = Least(runs, [&] {
    std::vector<Pixel24> copy(image.pixels);
    before.swap(copy);
  });
  for (Pixel24& p : image.pixels) p.g = uint8_t(255 - p.g);
  uint64_t state = 2;
  const double keep = Least(1, [&] { history.Keep(std::move(before), image.pixels.data(), image.width, image.height, 1); });
  const double undo = Least(1, [&] { history.Undo(image.pixels.data(), image.width, state); });
  const double redo = Least(1, [&] { history.Redo(image.pixels.data(), image.width, state); });
  std::printf("\n| undo step of a tool run on the whole %d x %d image | ms | limit (ms) | | |\n", size.cx, size.cy);
  std::printf("|---|---|---|---|---|\n");
  // The same bytes into memory already touched: what is left once the pages are there.
  std::vector<Pixel24> reused(image.pixels.size());
  const double copyReused = Least(runs, [&] { std::memcpy(reused.data(), image.pixels.data(), reused.size() * 3); });
  const std::string bandwidth = "a copy of the image into pages already there takes " + Ms(copyReused);
  Row("copy of the pixels before the run (least of N)", snapshot, 30, 0,
      "fresh pages: " + Ms(snapshot - copyReused) + " of faults and zeroing; " + bandwidth);
  Row("step kept after the run: changed rectangle found and held", keep, 30);
  Row("undo (once)", undo, 30, 0, "swapping the whole image's bytes; " + bandwidth);
  Row("redo (once)", redo, 30, 0, "swapping the whole image's bytes; " + bandwidth);
  return 0;
}

}  // namespace
}  // namespace molvane::viewer

int main(int argc, char** argv) { return molvane::viewer::Run(argc, argv); }
