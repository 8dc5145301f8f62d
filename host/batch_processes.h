// A batch's files run side by side, each through the plug-in in a host process of its own.
//
// Each file goes to a copy of this program started on the one-file command
// line (the tool's choices, INPUT, OUTPUT), at most `jobs` at a time. What a
// copy printed, and its result, are reported in the inputs' order as soon as
// every file before it is done, so the run reads as if it had gone one file
// after the other. The copies share the cores: each one's tool runs on its
// share of the threads (MOLVANE_THREADS, unless it is set already).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace molvane::host {

struct FileRun {
  std::string printed;  // the copy's standard output, its "Loaded ..." line left out
  std::string problem;  // empty when the file was written
  double milliseconds = 0;
};

// `toolArguments`: the options that choose and drive the tool, as given.
// `report(i, run)` is called once per file, in the order of `inputs`.
void RunFilesInProcesses(const std::vector<std::string>& toolArguments, const std::vector<std::string>& inputs,
                         const std::vector<std::string>& outputs, int jobs,
                         const std::function<void(size_t, const FileRun&)>& report);

}  // namespace molvane::host
