// The reference host, command-line mode: runs one tool of the plug-in on a BMP file.
//
//   molvane_host.exe [--tool N] [--plugin DLL] INPUT.bmp [OUTPUT.bmp]
//
// The output defaults to INPUT-<tool caption>.bmp beside the input. This
// executable imports only kernel32 and the C runtime: it creates the shared
// allocator record before anything can load user32, then loads the plug-in.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "host/bmp.h"
#include "host/callback_recorder.h"
#include "host/counting_allocator.h"
#include "host/plugin_library.h"
#include "host/shared_record.h"

namespace molvane::host {
namespace {

// The tools a command line can run: those that compute at once, without a
// dialog waiting for a user.
struct BatchTool {
  int32_t number;
};
constexpr BatchTool kBatchTools[] = {{2}};

bool IsBatchTool(int32_t number) {
  for (const BatchTool& tool : kBatchTools)
    if (tool.number == number) return true;
  return false;
}

struct Options {
  int32_t tool = 2;
  std::string plugin;
  std::string input;
  std::string output;
};

void Usage() {
  std::fprintf(stderr,
               "usage: molvane_host [--tool N] [--plugin DLL] INPUT.bmp [OUTPUT.bmp]\n"
               "  --tool N      the menu item to run (default 2); runs without a dialog:");
  for (const BatchTool& tool : kBatchTools) std::fprintf(stderr, " %d", int(tool.number));
  std::fprintf(stderr,
               "\n  --plugin DLL  the plug-in to load (default: Molvane.dll beside this program)\n"
               "  OUTPUT.bmp    default: INPUT-<tool>.bmp beside the input\n");
}

bool ParseNumber(const char* text, int32_t& value) {
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (!*text || *end || parsed < INT32_MIN || parsed > INT32_MAX) return false;
  value = int32_t(parsed);
  return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--tool" || arg == "--plugin") && i + 1 < argc) {
      const char* value = argv[++i];
      if (arg == "--plugin") {
        options.plugin = value;
      } else if (!ParseNumber(value, options.tool)) {
        std::fprintf(stderr, "molvane_host: --tool wants a number, not \"%s\"\n", value);
        return false;
      }
    } else if (arg == "-h" || arg == "--help" || (arg.size() > 1 && arg[0] == '-')) {
      return false;
    } else if (positional == 0) {
      options.input = arg;
      ++positional;
    } else if (positional == 1) {
      options.output = arg;
      ++positional;
    } else {
      return false;
    }
  }
  return !options.input.empty();
}

// "Réduction de bruit" -> "reduction-de-bruit": a caption as a file-name part.
std::string CaptionSlug(const char* caption) {
  static const char* const kFolded = "AAAAAAACEEEEIIIIDNOOOOOxOUUUUYTsaaaaaaaceeeeiiiidnooooo/ouuuuyty";
  std::string slug;
  for (const char* p = caption; p && *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c >= 0xC0) c = static_cast<unsigned char>(kFolded[c - 0xC0]);
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      slug += char(c);
    } else if (c >= 'A' && c <= 'Z') {
      slug += char(c - 'A' + 'a');
    } else if (!slug.empty() && slug.back() != '-') {
      slug += '-';
    }
  }
  while (!slug.empty() && slug.back() == '-') slug.pop_back();
  return slug;
}

std::string DefaultOutput(const std::string& input, const std::string& slug) {
  const size_t slash = input.find_last_of("\\/");
  const size_t dot = input.find_last_of('.');
  const std::string stem =
      dot != std::string::npos && (slash == std::string::npos || dot > slash) ? input.substr(0, dot) : input;
  return stem + "-" + slug + ".bmp";
}

class Stopwatch {
 public:
  Stopwatch() { QueryPerformanceCounter(&start_); }
  double Milliseconds() const {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart - start_.QuadPart) * 1000.0 / double(frequency.QuadPart);
  }

 private:
  LARGE_INTEGER start_;
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "molvane_host: %s\n", message.c_str());
  return 1;
}

int Run(const Options& options) {
  std::string error;
  // First of all: the record, while no candidate address is taken yet.
  if (!StartSharedAllocator(error)) return Fail(error);
  const AllocatorStatistics atStart = CountingAllocatorStatistics();

  Stopwatch readTime;
  Bitmap24 image;
  if (!ReadBmpFile(options.input, image, error)) return Fail(error);
  std::printf("Read %s: %d x %d pixels (%.1f ms)\n", options.input.c_str(), int(image.width),
              int(image.height), readTime.Milliseconds());

  const std::string pluginPath =
      options.plugin.empty() ? ModuleFolder(reinterpret_cast<const void*>(&Fail)) + "Molvane.dll"
                             : options.plugin;
  PluginLibrary plugin;
  Stopwatch loadTime;
  if (!plugin.Load(pluginPath, error)) return Fail(error);
  const PluginExports exports = plugin.ByName();
  if (!exports.Complete()) return Fail(pluginPath + " lacks one of XchgData, AddMenu, PrmDLL, AdrRetour");
  if (!(plugin.ByOrdinal() == exports))
    return Fail(pluginPath + ": the exports by ordinal differ from those by name");
  const double loadMs = loadTime.Milliseconds();

  int32_t major = 0;
  int32_t minor = 0;
  const char* menu = nullptr;
  const char* name = exports.PrmDLL(&major, &minor, &menu);
  int32_t count = 0;
  exports.AddMenu(&count);
  std::printf("Loaded %s (%.1f ms): %s %d.%d, menu \"%s\" with %d items\n", pluginPath.c_str(),
              loadMs, Cp1252ToUtf8(name).c_str(), int(major), int(minor),
              Cp1252ToUtf8(menu).c_str(), int(count));
  if (options.tool < 1 || options.tool > count) return Fail("the plug-in has no tool " + std::to_string(options.tool));
  if (!IsBatchTool(options.tool))
    return Fail("tool " + std::to_string(options.tool) + " opens a dialog; the command line runs only tools without one");
  int32_t index = options.tool;
  const char* caption = exports.AddMenu(&index);
  const std::string output =
      options.output.empty() ? DefaultOutput(options.input, CaptionSlug(caption)) : options.output;

  CallbackRecorder& recorder = CallbackRecorder::Instance();
  const int32_t userValue = 0x4D6F6C76;
  exports.AdrRetour(recorder.Callback(0), userValue);

  {
    TPtsImg pixels = ToPixelArray(image);
    const AllocatorStatistics beforeTool = CountingAllocatorStatistics();
    Stopwatch toolTime;
    exports.XchgData(options.tool, 0, 0, 0, 0, image.width, image.height, 0, 0, pixels.Handle(),
                     nullptr, options.input.c_str(), 0);
    const double toolMs = toolTime.Milliseconds();
    const AllocatorStatistics afterTool = CountingAllocatorStatistics();
    std::printf("Tool %d \"%s\": %.1f ms, %d allocation(s) through the host's allocator\n",
                int(options.tool), Cp1252ToUtf8(caption).c_str(), toolMs,
                int(afterTool.allocateCalls - beforeTool.allocateCalls));
    for (const CallbackCall& call : recorder.Calls())
      std::printf("  callback: %d x %d, action %d, data %ld, applied %d, finished %d%s\n",
                  int(call.width), int(call.height), int(call.actionCode), long(call.actionData),
                  int(call.applied & 0xFF), int(call.finished),
                  call.userValue == userValue ? "" : " (wrong user value)");
    if (recorder.Calls().empty()) std::printf("  no callback\n");

    const Bitmap24 result = FromPixelArray(pixels, image.width, image.height);
    size_t changed = 0;
    for (size_t i = 0; i < result.pixels.size(); ++i)
      if (std::memcmp(&result.pixels[i], &image.pixels[i], sizeof(Pixel24)) != 0) ++changed;
    Stopwatch writeTime;
    if (!WriteBmpFile(output, result, error)) return Fail(error);
    std::printf("Wrote %s: %lu of %lu pixels changed (%.1f ms)\n", output.c_str(), (unsigned long)changed,
                (unsigned long)result.pixels.size(), writeTime.Milliseconds());
  }

  plugin.Unload();
  const AllocatorStatistics atEnd = CountingAllocatorStatistics();
  if (!StopSharedAllocator(error)) return Fail(error);
  if (atEnd.liveBlocks != atStart.liveBlocks)
    return Fail(std::to_string(atEnd.liveBlocks - atStart.liveBlocks) +
                " block(s) of the shared allocator still live after unloading the plug-in");
  return 0;
}

}  // namespace
}  // namespace molvane::host

int main(int argc, char** argv) {
  molvane::host::Options options;
  if (!molvane::host::ParseOptions(argc, argv, options)) {
    molvane::host::Usage();
    return 2;
  }
  try {
    return molvane::host::Run(options);
  } catch (const std::exception& e) {
    return molvane::host::Fail(e.what());
  }
}
