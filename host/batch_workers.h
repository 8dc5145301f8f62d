// A batch's files shared among worker processes, each loading the plug-in once and taking files as it gets free.
//
// A worker is a copy of this program started with --worker and the tool's
// choices. It reads "INPUT\tOUTPUT\n" lines on its standard input, runs each
// file through the tool, and after what the file printed writes an end
// marker: a line "\x1E<milliseconds> <length>\n" at the start of a line, then
// the file's problem, <length> bytes (none when the file was written). The
// parent hands the next file to whichever worker is free and reports every
// file in the inputs' order as soon as the ones before it are done, so the
// run reads as if it had gone one file after the other. A worker that ends
// before its marker (a crash) fails its file and is replaced for the next.
// The workers share the cores: each one's tool runs on its share of the
// threads (MOLVANE_THREADS, unless it is set already).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace molvane::host {

struct FileRun {
  std::string printed;  // what the file's run printed on standard output
  std::string errors;   // and on standard error
  std::string problem;  // empty when the file was written
  double milliseconds = 0;
};

// The parent's side: the workers start at once and load the plug-in while
// the parent does, but take no file before Run. `toolArguments`: the options
// that choose and drive the tool, as given.
class BatchWorkers {
 public:
  BatchWorkers(const std::vector<std::string>& toolArguments, const std::vector<std::string>& inputs,
               const std::vector<std::string>& outputs, int jobs);
  // Without Run, the workers end having taken no file.
  ~BatchWorkers();
  BatchWorkers(const BatchWorkers&) = delete;
  BatchWorkers& operator=(const BatchWorkers&) = delete;

  // Every file through the workers; `report(i, run)` is called once per
  // file, in the order of the inputs. False when a worker ended badly after
  // its last file (what it said, such as blocks left live, already passed on
  // to our standard error).
  bool Run(const std::function<void(size_t, const FileRun&)>& report);

  struct Batch;

 private:
  void Join();
  std::unique_ptr<Batch> batch_;
  std::vector<void*> threads_;
};

// The worker's side: every file its standard input hands it, through
// `runFile(input, output)`, which prints its lines and returns the file's
// problem (empty when written); returns once the input ends.
void ServeFiles(const std::function<std::string(const std::string&, const std::string&)>& runFile);

}  // namespace molvane::host
