// A batch's files in host processes of their own: started N at a time, reported in order.
#include "host/batch_processes.h"

#include <algorithm>
#include <cstdio>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "host/stopwatch.h"

namespace molvane::host {
namespace {

// An argument as the C runtime splits a command line back (backslashes before a quote doubled).
std::string Quoted(const std::string& argument) {
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + "\"";
}

// A temporary file the child writes into, gone when the parent closes it.
HANDLE CaptureFile() {
  char folder[MAX_PATH], path[MAX_PATH];
  if (!GetTempPathA(MAX_PATH, folder) || !GetTempFileNameA(folder, "mvh", 0, path)) return INVALID_HANDLE_VALUE;
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

// What the child wrote, its line ends back to "\n": our own stdout in text mode adds the "\r" again.
std::string ReadAll(HANDLE file) {
  std::string text;
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return text;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
  return lines;
}

struct Job {
  HANDLE process = nullptr;
  HANDLE out = INVALID_HANDLE_VALUE;
  HANDLE err = INVALID_HANDLE_VALUE;
  Stopwatch watch;
  FileRun run;
  bool done = false;
};

bool Start(const std::string& commandLine, Job& job) {
  job.out = CaptureFile();
  job.err = CaptureFile();
  if (job.out == INVALID_HANDLE_VALUE || job.err == INVALID_HANDLE_VALUE) return false;
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = job.out;
  startup.hStdError = job.err;
  PROCESS_INFORMATION started;
  std::string line = commandLine;
  job.watch = Stopwatch();
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started))
    return false;
  CloseHandle(started.hThread);
  job.process = started.hProcess;
  return true;
}

// The copy's output and result, its handles closed.
void Finish(Job& job) {
  job.run.milliseconds = job.watch.Milliseconds();
  DWORD code = 1;
  GetExitCodeProcess(job.process, &code);
  CloseHandle(job.process);
  job.process = nullptr;
  std::string printed = ReadAll(job.out), errors = ReadAll(job.err);
  CloseHandle(job.out);
  CloseHandle(job.err);
  // The plug-in's loading was reported once for the whole run.
  if (printed.compare(0, 7, "Loaded ") == 0) printed.erase(0, printed.find('\n') + 1);
  job.run.printed = printed;
  // A failed run's cause is its last "molvane_host: " line; what else it said goes on to our errors.
  const std::string prefix = "molvane_host: ";
  const size_t last = errors.rfind(prefix);
  if (code != 0 && last != std::string::npos && (last == 0 || errors[last - 1] == '\n')) {
    std::string cause = errors.substr(last + prefix.size());
    cause.erase(std::find_if(cause.begin(), cause.end(), [](char c) { return c == '\r' || c == '\n'; }), cause.end());
    job.run.problem = cause;
    errors.erase(last);
  } else if (code != 0) {
    job.run.problem = "the host process ended with code " + std::to_string(code);
  }
  if (!errors.empty()) std::fputs(errors.c_str(), stderr);
  job.done = true;
}

std::string ProgramPath() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length);
}

}  // namespace

void RunFilesInProcesses(const std::vector<std::string>& toolArguments, const std::vector<std::string>& inputs,
                         const std::vector<std::string>& outputs, int jobs,
                         const std::function<void(size_t, const FileRun&)>& report) {
  // The cores shared among the copies, unless the user capped the threads
  // already: each tool's run splits its rows over its share (the bytes do not change).
  // WaitForMultipleObjects watches 64 handles at most.
  const size_t most = size_t(std::clamp(jobs, 1, MAXIMUM_WAIT_OBJECTS));
  if (!GetEnvironmentVariableA("MOLVANE_THREADS", nullptr, 0)) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const DWORD share = std::max<DWORD>(1, system.dwNumberOfProcessors / DWORD(most));
    SetEnvironmentVariableA("MOLVANE_THREADS", std::to_string(share).c_str());
  }
  std::string common = Quoted(ProgramPath());
  for (const std::string& argument : toolArguments) common += " " + Quoted(argument);
  std::vector<Job> all(inputs.size());
  size_t started = 0, reported = 0;
  std::vector<size_t> running;
  while (reported < all.size()) {
    while (running.size() < most && started < all.size()) {
      Job& job = all[started];
      if (Start(common + " " + Quoted(inputs[started]) + " " + Quoted(outputs[started]), job)) {
        running.push_back(started);
      } else {
        job.run.problem = "a host process cannot be started (system error " + std::to_string(GetLastError()) + ")";
        if (job.out != INVALID_HANDLE_VALUE) CloseHandle(job.out);
        if (job.err != INVALID_HANDLE_VALUE) CloseHandle(job.err);
        job.done = true;
      }
      ++started;
    }
    if (!running.empty()) {
      std::vector<HANDLE> handles;
      for (const size_t i : running) handles.push_back(all[i].process);
      const DWORD woken = WaitForMultipleObjects(DWORD(handles.size()), handles.data(), FALSE, INFINITE);
      const size_t which = woken - WAIT_OBJECT_0 < handles.size() ? woken - WAIT_OBJECT_0 : 0;
      if (woken == WAIT_FAILED) WaitForSingleObject(handles[0], INFINITE);
      Finish(all[running[which]]);
      running.erase(running.begin() + std::ptrdiff_t(which));
    }
    for (; reported < all.size() && all[reported].done; ++reported) report(reported, all[reported].run);
  }
}

}  // namespace molvane::host
