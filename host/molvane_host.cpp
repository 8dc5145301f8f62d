// The reference host, command-line mode: runs one tool of the plug-in on image files.
//
//   molvane_host.exe [--tool N|NAME] [--plugin DLL] [CHOICES] INPUT [OUTPUT]
//   molvane_host.exe [--tool N|NAME] [--plugin DLL] [CHOICES] --out DIR INPUT...
//
// Files are BMP, PNG, JPEG, TIFF or GIF (image_files.h); an output's format
// follows its extension. With --out, each input is written to DIR as
// INPUT-<tool name> (numbered, INPUT-2-<tool name>, when a name comes again)
// with one progress line; a file that fails is reported with its cause,
// leaves no output, and the others still run; the exit code is non-zero when
// any failed. A command line that cannot run is refused before any file is
// touched, exit code 2.
//
// Tool 2 computes at once. Tools 3, 6 and 8 open their modal dialog, which
// the host drives on its real windows as a user would (dialog_runs.h),
// from the choices given, then presses "Appliquer". Tool 7 merges INPUT with
// a second image (--second FILE.bmp, or INPUT mirrored left to right): the
// host sends that image as the user's click would, drives the dialog while
// its own message loop runs, and writes the image the plug-in delivers. Tool
// 1 does the same with the gap image between INPUT and a second image
// (--second FILE.bmp, or INPUT after the plug-in's noise reduction, so the
// gap shows what the filter changed), "Créer une image d'écart" ending it.
// Tools 4 and 5 ask, by a callback with ActionCode 1, for the user's clicks on
// the image: the host clicks each marker given a point (--seed, --f1, --f2;
// --corners) and forwards the point as the phase-1 call, with the image's
// buffer and, for tool 4, the 5 x 5 pixels around the point. The
// output defaults to INPUT-<tool name> beside the input, in the input's
// format (PNG for GIF). Texts go out in the ANSI code page, as Windows
// programs print them; scripts/run turns them into UTF-8. This executable imports only
// kernel32 and the C runtime: it creates the shared allocator record before
// anything can load user32, then loads the plug-in (and user32, when it
// drives a dialog).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "host/batch_workers.h"
#include "host/bmp.h"
#include "host/callback_recorder.h"
#include "host/counting_allocator.h"
#include "host/dialog_runs.h"
#include "host/image_files.h"
#include "host/plugin_library.h"
#include "host/process_resources.h"
#include "host/shared_record.h"
#include "host/stopwatch.h"
#include "host/tool_list.h"
#include "platform/path_names.h"

namespace molvane::host {
namespace {

// The tools a command line can run, by number or name (tool_list.h): the
// noise reduction computes at once, the others open a dialog the host drives.
bool Runnable(int32_t number) { return FindHostTool(number) != nullptr; }

struct Options {
  int32_t tool = 2;
  std::string plugin;
  // One input and maybe its output; or, with --out DIR, any number of inputs.
  std::vector<std::string> inputs;
  std::string output;
  std::string outDir;
  DialogChoices choices;
  // Tools 1 and 7: the second image's file (empty: tool 1 the first after the
  // noise reduction, tool 7 the first mirrored), or none at all.
  std::string second;
  bool noSecond = false;
  // With --out: each progress line also says what the process holds.
  bool resources = false;
  // With --out: how many files run side by side, on as many worker processes.
  int32_t jobs = 1;
  // Such a worker: the files come on the standard input (batch_workers.h).
  bool worker = false;
  // The options that choose and drive the tool, as given: the workers' command line.
  std::vector<std::string> toolArguments;
};

void Usage(std::FILE* to) {
  std::fprintf(to,
               "usage: molvane_host [--tool N|NAME] [--plugin DLL] [CHOICES] INPUT [OUTPUT]\n"
               "       molvane_host [--tool N|NAME] [--plugin DLL] [CHOICES] --out DIR INPUT...\n"
               "  files are BMP, PNG, JPEG, TIFF or GIF; an output's format follows its extension\n"
               "  --tool N|NAME       the menu item to run (default 2):");
  for (const HostTool& tool : kHostTools) std::fprintf(to, " %d %s,", int(tool.number), tool.name);
  std::fprintf(to,
               "\n"
               "  --plugin DLL        the plug-in to load (default: Molvane.dll beside this program)\n"
               "  OUTPUT              default: INPUT-<tool> beside the input, in its format (PNG for GIF)\n"
               "  --out DIR           every INPUT to DIR/INPUT-<tool>, one progress line each (INPUT-2-<tool>\n"
               "                      and so on for a name met again); the run goes on past a file\n"
               "                      that fails, which leaves no output, and exits 1 naming them\n"
               "  --jobs N            with --out, N files side by side (default 1), on N host processes that\n"
               "                      each load the plug-in once and take the next file when free; the\n"
               "                      lines and outputs are those of one file at a time\n"
               "  --worker            how those processes run: each \"INPUT<tab>OUTPUT\" line read on the\n"
               "                      standard input, then an end marker (the file's time and problem)\n"
               "  --resources         with --out, each progress line also gives what the process holds\n"
               "                      (GDI objects, windows, handles, memory), to watch long batches;\n"
               "                      the files then run one at a time in this process\n"
               "  --help              this text\n"
               "choices in the dialogs (anything not given stays as the dialog shows it):\n"
               "  seuillage (6)  --threshold 0..255  --keep above|below\n"
               "  degrade (8)    --direction vertical|horizontal  --n1 N --n2 N (offsets -127..128)\n"
               "                 --m1 P --m2 P (gain slider positions 0..200, 100 = gain 1)\n"
               "  filtres (3)    --load FILE.flt  --filter NAME  --size 3|5|7  --divisor D  --offset O\n"
               "                 --cell COL,ROW=VALUE (0..6, repeatable)  --save FILE.flt  --visualise\n"
               "  comparaison (1) --factor 1..10  --second FILE.bmp (default: INPUT after the noise reduction)\n"
               "                 --no-second (the dialog waits)\n"
               "  fusionner (7)  --second FILE.bmp (default: INPUT mirrored)  --no-second (the dialog waits)\n"
               "                 --mode max|transparence  --rate 0..100  --prevalent 1|2  --band LOW,HIGH\n"
               "  fond (4)       --f1 X,Y --f2 X,Y (the gradient's ends)  --seed X,Y (the start point)\n"
               "  vignetage (5)  --corners X,Y;X,Y;X,Y;X,Y (top-left, top-right, bottom-right, bottom-left)\n"
               "  every dialog   --cancel (\"Annuler\" instead of \"Appliquer\")\n"
               "                 --screenshot FILE.bmp (the dialog before that button)\n"
               "                 --box-screenshot FILE.bmp (the first message box over its dialog)\n");
}

bool ParseNumber(const char* text, int32_t& value) {
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (!*text || *end || parsed < INT32_MIN || parsed > INT32_MAX) return false;
  value = int32_t(parsed);
  return true;
}

bool ParseInt(const char* option, const char* text, int& value) {
  int32_t parsed = 0;
  if (ParseNumber(text, parsed)) {
    value = parsed;
    return true;
  }
  std::fprintf(stderr, "molvane_host: %s wants a whole number, not \"%s\"\n", option, text);
  return false;
}

bool ParseTool(const char* text, int32_t& tool) {
  if (ParseNumber(text, tool)) return true;
  if (const HostTool* named = FindHostTool(text)) {
    tool = named->number;
    return true;
  }
  std::fprintf(stderr, "molvane_host: --tool wants a number or one of");
  for (const HostTool& named : kHostTools) std::fprintf(stderr, " %s", named.name);
  std::fprintf(stderr, ", not \"%s\"\n", text);
  return false;
}

// "COL,ROW=VALUE"
bool ParseCell(const char* text, CellText& cell) {
  int col = -1, row = -1, used = 0;
  if (std::sscanf(text, "%d,%d=%n", &col, &row, &used) != 2 || used == 0) {
    std::fprintf(stderr, "molvane_host: --cell wants COL,ROW=VALUE, not \"%s\"\n", text);
    return false;
  }
  cell = CellText{col, row, text + used};
  return true;
}

// "LOW,HIGH"
bool ParseBand(const char* text, int& low, int& high) {
  int used = 0;
  if (std::sscanf(text, "%d,%d%n", &low, &high, &used) == 2 && text[used] == '\0') return true;
  std::fprintf(stderr, "molvane_host: --band wants LOW,HIGH, not \"%s\"\n", text);
  return false;
}

// "X,Y"
bool ParsePoint(const char* option, const char* text, PickedPoint& point) {
  int used = 0;
  if (std::sscanf(text, "%d,%d%n", &point.x, &point.y, &used) == 2 && text[used] == '\0') {
    point.set = true;
    return true;
  }
  std::fprintf(stderr, "molvane_host: %s wants X,Y, not \"%s\"\n", option, text);
  return false;
}

// "X,Y;X,Y;X,Y;X,Y"
bool ParseCorners(const char* text, PickedPoint (&corners)[4]) {
  int used = 0;
  PickedPoint* c = corners;
  if (std::sscanf(text, "%d,%d;%d,%d;%d,%d;%d,%d%n", &c[0].x, &c[0].y, &c[1].x, &c[1].y, &c[2].x, &c[2].y, &c[3].x,
                  &c[3].y, &used) == 8 &&
      text[used] == '\0') {
    for (PickedPoint& corner : corners) corner.set = true;
    return true;
  }
  std::fprintf(stderr, "molvane_host: --corners wants X,Y;X,Y;X,Y;X,Y, not \"%s\"\n", text);
  return false;
}

// What the command line asks: a run, the usage, or nothing it can do (its
// problem already printed).
enum class Parsed { kRun, kHelp, kBad };

bool Bad(const std::string& problem) {
  std::fprintf(stderr, "molvane_host: %s\n", problem.c_str());
  return false;
}

// What an option that takes a value needs, for the message when it is missing;
// null for the others.
const char* ValueOf(const std::string& option) {
  static const char* const kValued[] = {
      "--tool", "--plugin", "--threshold", "--keep", "--direction", "--n1", "--n2", "--m1", "--m2",
      "--load", "--filter", "--size", "--divisor", "--offset", "--save", "--screenshot", "--box-screenshot",
      "--second", "--factor", "--mode", "--rate", "--prevalent", "--band", "--seed", "--f1", "--f2",
      "--corners", "--cell"};
  if (option == "--out") return "a folder";
  if (option == "--jobs") return "a number";
  for (const char* valued : kValued)
    if (option == valued) return "a value";
  return nullptr;
}

bool ParseValue(const std::string& arg, const char* value, Options& options) {
  DialogChoices& c = options.choices;
  if (arg == "--tool") return ParseTool(value, options.tool);
  if (arg == "--plugin") options.plugin = value;
  else if (arg == "--out") options.outDir = value;
  else if (arg == "--jobs")
    return ParseInt("--jobs", value, options.jobs) && (options.jobs >= 1 || Bad("--jobs takes 1 or more"));
  else if (arg == "--threshold")
    return ParseInt("--threshold", value, c.threshold) && (c.threshold >= 0 || Bad("--threshold goes from 0 to 255"));
  else if (arg == "--keep") c.keep = value;
  else if (arg == "--direction") c.direction = value;
  else if (arg == "--n1") return c.hasN1 = ParseInt("--n1", value, c.n1);
  else if (arg == "--n2") return c.hasN2 = ParseInt("--n2", value, c.n2);
  else if (arg == "--m1") return c.hasM1 = ParseInt("--m1", value, c.m1);
  else if (arg == "--m2") return c.hasM2 = ParseInt("--m2", value, c.m2);
  else if (arg == "--load") c.load = value;
  else if (arg == "--filter") c.filter = value;
  else if (arg == "--size") return ParseInt("--size", value, c.size);
  else if (arg == "--divisor") c.divisor = value;
  else if (arg == "--offset") c.offset = value;
  else if (arg == "--save") c.save = value;
  else if (arg == "--screenshot") c.screenshot = value;
  else if (arg == "--box-screenshot") c.boxScreenshot = value;
  else if (arg == "--second") options.second = value;
  else if (arg == "--factor")
    return ParseInt("--factor", value, c.factor) && (c.factor >= 0 || Bad("--factor goes from 1 to 10"));
  else if (arg == "--mode") c.mode = value;
  else if (arg == "--rate")
    return ParseInt("--rate", value, c.rate) && (c.rate >= 0 || Bad("--rate goes from 0 to 100"));
  else if (arg == "--prevalent") return ParseInt("--prevalent", value, c.prevalent);
  else if (arg == "--band") return c.hasBand = ParseBand(value, c.bandLow, c.bandHigh);
  else if (arg == "--seed") return ParsePoint("--seed", value, c.seed);
  else if (arg == "--f1") return ParsePoint("--f1", value, c.f1);
  else if (arg == "--f2") return ParsePoint("--f2", value, c.f2);
  else if (arg == "--corners") return ParseCorners(value, c.corners);
  else if (arg == "--cell") {
    CellText cell;
    if (!ParseCell(value, cell)) return false;
    c.cells.push_back(cell);
  }
  return true;
}

bool ParseArguments(int argc, char** argv, Options& options) {
  DialogChoices& c = options.choices;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--cancel") {
      c.cancel = true;
      options.toolArguments.push_back(arg);
    } else if (arg == "--visualise") {
      c.visualise = true;
      options.toolArguments.push_back(arg);
    } else if (arg == "--no-second") {
      options.noSecond = true;
      options.toolArguments.push_back(arg);
    } else if (arg == "--resources") {
      options.resources = true;
    } else if (arg == "--worker") {
      options.worker = true;
    } else if (const char* wanted = ValueOf(arg)) {
      if (i + 1 >= argc || !*argv[i + 1]) return Bad(arg + " needs " + wanted);
      if (!ParseValue(arg, argv[++i], options)) return false;
      if (arg != "--out" && arg != "--jobs") options.toolArguments.insert(options.toolArguments.end(), {arg, argv[i]});
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Bad("unknown option " + arg);
    } else {
      positional.push_back(arg);
    }
  }
  if (options.worker) {
    if (!positional.empty() || !options.outDir.empty()) return Bad("a --worker takes its files on its standard input");
  } else if (positional.empty()) {
    return Bad(options.outDir.empty() ? "no INPUT given" : "--out needs at least one INPUT");
  } else if (!options.outDir.empty()) {
    options.inputs = positional;
  } else {
    if (positional.size() > 2)
      return Bad("one INPUT and one OUTPUT at most without --out, not " + std::to_string(positional.size()) +
                 " files");
    options.inputs = {positional[0]};
    if (positional.size() == 2) options.output = positional[1];
  }
  // Checked before anything runs: a format found unwritable once the tool ran would waste its run.
  if (!options.output.empty() && !CanWriteFormat(FormatOfPath(options.output)))
    return Bad(options.output + ": an output is written as BMP, PNG, JPEG or TIFF (.bmp, .png, .jpg, .tif)");
  const HostTool* tool = FindHostTool(options.tool);
  if ((!options.second.empty() || options.noSecond) && (!tool || tool->kind != ToolKind::kTwoImage))
    return Bad("--second and --no-second are options of tools 1 (comparaison) and 7 (fusionner)");
  const std::string problem = CheckChoices(options.tool, c);
  if (!problem.empty()) return Bad(problem);
  return true;
}

Parsed ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return Parsed::kHelp;
  return ParseArguments(argc, argv, options) ? Parsed::kRun : Parsed::kBad;
}

// The tool's command-line name, which its outputs carry.
const char* ToolName(int32_t number) {
  const HostTool* tool = FindHostTool(number);
  return tool ? tool->name : "";
}

// INPUT-<suffix> beside the input, or in `folder` when one is given, in the
// input's format when it can be written (GIF and unknown ones give PNG);
// `number` above 1 gives INPUT-<number>-<suffix>.
std::string DefaultOutput(const std::string& input, const std::string& suffix, const std::string& folder = "",
                          int number = 1) {
  std::string stem = InFolder(folder.empty() ? FolderOf(input) : folder, StemOf(input));
  if (number > 1) stem += "-" + std::to_string(number);
  const std::string extension = ExtensionOf(input);
  return stem + "-" + suffix + (!extension.empty() && CanWriteFormat(FormatOfPath(input)) ? extension : ".png");
}

std::string Lowered(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return text;
}

// One output in `folder` for each input: a name met again (two inputs of the
// same name from different folders) takes the next free number, so that no
// result of the run overwrites another. Windows names ignore case.
std::vector<std::string> BatchOutputs(const std::vector<std::string>& inputs, const std::string& suffix,
                                      const std::string& folder) {
  std::vector<std::string> outputs;
  std::vector<std::string> taken;
  for (const std::string& input : inputs) {
    std::string output;
    for (int number = 1;; ++number) {
      output = DefaultOutput(input, suffix, folder, number);
      if (std::find(taken.begin(), taken.end(), Lowered(output)) == taken.end()) break;
    }
    taken.push_back(Lowered(output));
    outputs.push_back(output);
  }
  return outputs;
}

constexpr int32_t kUserValue = 0x4D6F6C76;

int Fail(const std::string& message) {
  std::fprintf(stderr, "molvane_host: %s\n", message.c_str());
  return 1;
}

// The plug-in, loaded once for every file of a run.
struct LoadedTool {
  PluginExports exports;
  const char* caption;
};

// Tools 1 and 7 compare or merge the image with a second one, which the user
// would click.
bool TakesTwoImages(int32_t tool) { return tool == MOLVANE_TOOL_COMPARISON || tool == MOLVANE_TOOL_MERGE; }

// What one file's run works on.
struct RunImages {
  Bitmap24 image;
  Bitmap24 second;         // tools 1 and 7; empty when none comes
  std::string secondName;  // as the viewer would name the second image
};

// Reads the input, and the second image from its file or, for the merge by
// default, as the input mirrored; what went wrong, or an empty text.
std::string ReadImages(const Options& options, const std::string& input, RunImages& images) {
  std::string error;
  Stopwatch readTime;
  if (!ReadImageFile(input, images.image, error)) return error;
  std::printf("Read %s: %d x %d pixels (%.1f ms)\n", input.c_str(), int(images.image.width),
              int(images.image.height), readTime.Milliseconds());
  if (!TakesTwoImages(options.tool) || options.noSecond) return std::string();
  if (!options.second.empty()) {
    if (!ReadImageFile(options.second, images.second, error)) return options.second + ": " + error;
    images.secondName = FileNameOf(options.second);
    std::printf("Read %s: %d x %d pixels, the second image\n", options.second.c_str(), int(images.second.width),
                int(images.second.height));
  } else if (options.tool == MOLVANE_TOOL_MERGE) {
    images.second = Mirrored(images.image);
    images.secondName = "miroir.bmp";
    std::printf("Second image: %s mirrored left to right\n", input.c_str());
  }
  return std::string();
}

// The comparison's default second image: the input after the noise
// reduction, the image a user would compare to see what the filter did.
void ReduceForComparison(const PluginExports& exports, const std::string& input, RunImages& images) {
  const Bitmap24& image = images.image;
  TPtsImg reduced = ToPixelArray(image);
  Stopwatch reductionTime;
  exports.XchgData(MOLVANE_TOOL_NOISE_REDUCTION, 0, 0, 0, 0, image.width, image.height, MOLVANE_PHASE_OPEN, 0,
                   reduced.Handle(), nullptr, input.c_str(), 0);
  images.second = FromPixelArray(reduced, image.width, image.height);
  images.secondName = "réduction de bruit.bmp";
  std::printf("Second image: %s after the noise reduction (%.1f ms)\n", input.c_str(),
              reductionTime.Milliseconds());
  CallbackRecorder::Instance().Clear();
}

// The host's buffers for one run: the image (the tools that change it write
// here), the second image, and the image the comparison or the merge delivers.
struct RunBuffers {
  TPtsImg pixels;
  TPtsImg second;
  TPtsImg delivered;
};

// What the tool's run showed, for the report.
struct ToolOutcome {
  DialogReport dialog;
  double toolMs = 0;
  double lastPointMs = -1;  // the last point's call: the fill or correction it sets off
  int32_t allocations = 0;  // through the host's allocator while the tool ran
};

// Tools 4 and 5: a click on the image is forwarded while the tool asks for
// clicks (a callback with ActionCode 1, no final callback since).
PointSender ClickForwarder(const Options& options, const PluginExports& exports, const Bitmap24& image,
                          const TPtsImg& pixels, const std::string& name, double& lastPointMs) {
  return [&options, &exports, &image, &pixels, &name, &lastPointMs](int32_t x, int32_t y) -> std::string {
    bool asked = false;
    for (const CallbackCall& call : CallbackRecorder::Instance().Calls()) {
      if (call.actionCode == MOLVANE_ACTION_ASK_CLICKS) asked = true;
      if (call.finished == 1) asked = false;
    }
    if (!asked) return "the plug-in does not ask for clicks on the image (no callback with ActionCode 1)";
    if (x >= image.width || y >= image.height)
      return "the point " + std::to_string(x) + "," + std::to_string(y) + " lies outside the image";
    TPtsImg sample;
    if (options.tool == MOLVANE_TOOL_BACKGROUND)
      sample = ToPixelArray(SampleAround(pixels.Data(), image.width, image.height, x, y));
    Stopwatch pointTime;
    exports.XchgData(options.tool, 0, 0, x, y, image.width, image.height, MOLVANE_PHASE_CONTINUE, 0, sample.Handle(),
                     pixels.Handle(), name.c_str(), 0);
    lastPointMs = pointTime.Milliseconds();
    return std::string();
  };
}

// Opens the tool on the image, sends the second image as the user's click
// would, and drives its dialog as the choices say.
ToolOutcome DriveTool(const Options& options, const PluginExports& exports, const std::string& input,
                      const RunImages& images, RunBuffers& buffers) {
  CallbackRecorder& recorder = CallbackRecorder::Instance();
  // A delivered image is the host's once it takes its reference during the call.
  recorder.DuringCall([&buffers](const CallbackCall& call) {
    if (call.actionCode == MOLVANE_ACTION_NEW_IMAGE && call.actionData != 0)
      buffers.delivered = TPtsImg::Share(reinterpret_cast<Pixel24*>(call.actionData));
  });
  const Bitmap24& image = images.image;
  const std::string firstName = TakesTwoImages(options.tool) ? FileNameOf(input) : input;
  const AllocatorStatistics beforeTool = CountingAllocatorStatistics();
  auto openTool = [&] {
    exports.XchgData(options.tool, 0, 0, 0, 0, image.width, image.height, MOLVANE_PHASE_OPEN, 0,
                     buffers.pixels.Handle(), nullptr, firstName.c_str(), 0);
    if (!buffers.second.Empty())
      exports.XchgData(options.tool, 0, 0, 0, 0, images.second.width, images.second.height, MOLVANE_PHASE_CONTINUE,
                       0, buffers.second.Handle(), nullptr, images.secondName.c_str(), 0);
  };
  ToolOutcome outcome;
  Stopwatch toolTime;
  if (HasDrivenDialog(options.tool))
    outcome.dialog = DriveDialog(options.tool, options.choices, openTool, !options.noSecond,
                                 ClickForwarder(options, exports, image, buffers.pixels, firstName, outcome.lastPointMs));
  else openTool();
  outcome.toolMs = toolTime.Milliseconds();
  outcome.allocations = int32_t(CountingAllocatorStatistics().allocateCalls - beforeTool.allocateCalls);
  recorder.DuringCall(nullptr);
  return outcome;
}

void PrintOutcome(const Options& options, const char* caption, const ToolOutcome& outcome) {
  for (const std::string& line : outcome.dialog.lines) std::printf("  %s\n", line.c_str());
  std::printf("Tool %d \"%s\": %.1f ms%s, %d allocation(s) through the host's allocator\n", int(options.tool),
              caption, outcome.toolMs, HasDrivenDialog(options.tool) ? " with its dialog open" : "",
              int(outcome.allocations));
  if (outcome.lastPointMs >= 0)
    std::printf("  last point: %.1f ms from its click until the plug-in returned\n", outcome.lastPointMs);
  if (outcome.dialog.finalButtonMs >= 0)
    std::printf("  \"%s\": %.1f ms from the click until the dialog let go\n", outcome.dialog.finalButton.c_str(),
                outcome.dialog.finalButtonMs);
  const std::vector<CallbackCall>& calls = CallbackRecorder::Instance().Calls();
  for (const CallbackCall& call : calls)
    std::printf("  callback: %d x %d, action %d, data %ld, applied %d, finished %d%s\n", int(call.width),
                int(call.height), int(call.actionCode), long(call.actionData), int(call.applied & 0xFF),
                int(call.finished), call.userValue == kUserValue ? "" : " (wrong user value)");
  if (calls.empty()) std::printf("  no callback\n");
}

// Writes the result to `output`: the image the comparison or the merge
// delivered, the other tools' own buffer; what went wrong, or an empty text.
std::string WriteResult(const Options& options, const Bitmap24& image, const RunBuffers& buffers,
                        const std::string& output) {
  const bool comparison = options.tool == MOLVANE_TOOL_COMPARISON;
  const bool merge = options.tool == MOLVANE_TOOL_MERGE;
  const bool twoImages = comparison || merge;
  if (twoImages && buffers.delivered.Empty()) {
    std::printf("No image delivered, nothing written\n");
    if (options.choices.cancel) return std::string();
    return comparison ? "the plug-in delivered no gap image" : "the plug-in delivered no merged image";
  }
  const Bitmap24 result = FromPixelArray(twoImages ? buffers.delivered : buffers.pixels, image.width, image.height);
  // The gap image: how many pixels differ at all; the others: what changed.
  const Pixel24 black{0, 0, 0};
  size_t changed = 0;
  for (size_t i = 0; i < result.pixels.size(); ++i)
    if (std::memcmp(&result.pixels[i], comparison ? &black : &image.pixels[i], sizeof(Pixel24)) != 0) ++changed;
  Stopwatch writeTime;
  std::string error;
  if (!WriteImageFile(output, result, error)) return output + ": " + error;
  std::printf("Wrote %s: %lu of %lu pixels %s (%.1f ms)\n", output.c_str(), (unsigned long)changed,
              (unsigned long)result.pixels.size(),
              comparison ? "not black" : merge ? "differ from the first image" : "changed", writeTime.Milliseconds());
  return std::string();
}

// One input through the tool, written to `output`; what went wrong, or an empty text.
std::string RunOnImage(const Options& options, const LoadedTool& loaded, const std::string& input,
                       const std::string& output) {
  RunImages images;
  const std::string unread = ReadImages(options, input, images);
  if (!unread.empty()) return unread;
  CallbackRecorder::Instance().Clear();
  if (options.tool == MOLVANE_TOOL_COMPARISON && !options.noSecond && options.second.empty())
    ReduceForComparison(loaded.exports, input, images);

  RunBuffers buffers;
  buffers.pixels = ToPixelArray(images.image);
  if (!images.second.pixels.empty()) buffers.second = ToPixelArray(images.second);
  const ToolOutcome outcome = DriveTool(options, loaded.exports, input, images, buffers);
  PrintOutcome(options, loaded.caption, outcome);
  // A file whose dialog could not be driven as asked gets no output at all:
  // whatever the buffer holds then is not the result asked for.
  if (!outcome.dialog.failures.empty()) {
    std::string causes;
    for (const std::string& failure : outcome.dialog.failures) causes += (causes.empty() ? "" : "; ") + failure;
    return causes;
  }
  return WriteResult(options, images.image, buffers, output);
}

int Run(const Options& options) {
  std::string error;
  // First of all: the record, while no candidate address is taken yet.
  if (!StartSharedAllocator(error)) return Fail(error);
  const size_t total = options.inputs.size();
  const bool batch = !options.outDir.empty();
  // Every output is named before anything runs; a missing output folder is made.
  if (batch) {
    CreateDirectoryA(options.outDir.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesA(options.outDir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      return Fail("the output folder " + options.outDir + " cannot be made");
  }
  const char* suffix = ToolName(options.tool);
  const std::vector<std::string> outputs =
      batch || options.worker ? BatchOutputs(options.inputs, suffix, options.outDir)
                              : std::vector<std::string>{options.output.empty() ? DefaultOutput(options.inputs[0], suffix)
                                                                                : options.output};
  const AllocatorStatistics atStart = CountingAllocatorStatistics();
  // Files side by side: the workers start first, loading the plug-in while we do.
  std::unique_ptr<BatchWorkers> workers;
  if (batch && options.jobs > 1 && total > 1 && !options.resources)
    workers.reset(new BatchWorkers(options.toolArguments, options.inputs, outputs, options.jobs));

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
  // A worker's parent has said it for the whole run.
  if (!options.worker)
    std::printf("Loaded %s (%.1f ms): %s %d.%d, menu \"%s\" with %d items\n", pluginPath.c_str(), loadMs, name,
                int(major), int(minor), menu, int(count));
  if (options.tool < 1 || options.tool > count) return Fail("the plug-in has no tool " + std::to_string(options.tool));
  if (!Runnable(options.tool)) {
    std::string runnable;
    for (const HostTool& tool : kHostTools) runnable += (runnable.empty() ? "" : ", ") + std::to_string(tool.number);
    return Fail("tool " + std::to_string(options.tool) +
                " is not one the command line knows how to drive; it runs tools " + runnable);
  }
  int32_t index = options.tool;
  const char* caption = exports.AddMenu(&index);

  CallbackRecorder::Instance().Clear();
  exports.AdrRetour(CallbackRecorder::Instance().Callback(0), kUserValue);
  // Each file in turn, or side by side on worker processes; one that fails
  // is reported and the others still run.
  std::vector<std::string> failures;
  std::string problemOfOne;  // without --out, the one file's problem as it always was printed
  auto reportFile = [&](size_t i, const std::string& problem, double milliseconds) {
    const std::string& input = options.inputs[i];
    if (!problem.empty()) failures.push_back(FileNameOf(input) + ": " + problem);
    problemOfOne = problem;
    if (batch)
      std::printf("[%lu/%lu] %s: %s (%.1f ms)%s\n", (unsigned long)(i + 1), (unsigned long)total,
                  FileNameOf(input).c_str(),
                  problem.empty() ? ("written to " + outputs[i]).c_str() : ("FAILED, " + problem).c_str(),
                  milliseconds, options.resources ? ("; " + DescribeResources(CountProcessResources())).c_str() : "");
  };
  bool workersClean = true;
  if (options.worker) {
    ServeFiles([&](const std::string& input, const std::string& output) {
      return RunOnImage(options, LoadedTool{exports, caption}, input, output);
    });
  } else if (workers) {
    workersClean = workers->Run([&](size_t i, const FileRun& run) {
      std::fputs(run.printed.c_str(), stdout);
      reportFile(i, run.problem, run.milliseconds);
    });
    workers.reset();
  } else {
    for (size_t i = 0; i < total; ++i) {
      Stopwatch fileTime;
      const std::string problem = RunOnImage(options, LoadedTool{exports, caption}, options.inputs[i], outputs[i]);
      reportFile(i, problem, fileTime.Milliseconds());
    }
  }

  plugin.Unload();
  const AllocatorStatistics atEnd = CountingAllocatorStatistics();
  if (!StopSharedAllocator(error)) return Fail(error);
  if (atEnd.liveBlocks != atStart.liveBlocks)
    return Fail(std::to_string(atEnd.liveBlocks - atStart.liveBlocks) +
                " block(s) of the shared allocator still live after unloading the plug-in");
  if (!batch && !failures.empty()) return Fail(problemOfOne);
  if (!workersClean && failures.empty()) return Fail("a worker process ended badly after its last file");
  if (!failures.empty()) {
    std::fprintf(stderr, "molvane_host: %lu of %lu file(s) failed:\n", (unsigned long)failures.size(),
                 (unsigned long)total);
    for (const std::string& failure : failures) std::fprintf(stderr, "  %s\n", failure.c_str());
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace molvane::host

int main(int argc, char** argv) {
  // Reports and errors interleave in the order they happen.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  molvane::host::Options options;
  switch (molvane::host::ParseOptions(argc, argv, options)) {
    case molvane::host::Parsed::kHelp:
      molvane::host::Usage(stdout);
      return 0;
    case molvane::host::Parsed::kBad:
      molvane::host::Usage(stderr);
      return 2;
    case molvane::host::Parsed::kRun:
      break;
  }
  try {
    return molvane::host::Run(options);
  } catch (const std::exception& e) {
    return molvane::host::Fail(e.what());
  }
}
