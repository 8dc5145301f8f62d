// A batch's files on worker processes: each file handed to the first worker free, reported in order.
#include "host/batch_workers.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "host/stopwatch.h"

namespace molvane::host {
namespace {

// Starts the end marker's line; no file name or printed text holds it at the start of a line.
constexpr char kMarker = '\x1E';

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

// A temporary file the worker writes its errors into, gone when the last handle closes.
HANDLE CaptureFile() {
  char folder[MAX_PATH], path[MAX_PATH];
  if (!GetTempPathA(MAX_PATH, folder) || !GetTempFileNameA(folder, "mvh", 0, path)) return INVALID_HANDLE_VALUE;
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

// Takes a whole end marker off the front of `pending`, with what the file printed before it.
bool TakeMarker(std::string& pending, FileRun& run) {
  size_t at = 0;
  while ((at = pending.find(kMarker, at)) != std::string::npos && at > 0 && pending[at - 1] != '\n') ++at;
  if (at == std::string::npos) return false;
  const size_t lineEnd = pending.find('\n', at);
  if (lineEnd == std::string::npos) return false;
  double milliseconds = 0;
  unsigned long length = 0;
  const bool readable = std::sscanf(pending.c_str() + at + 1, "%lf %lu", &milliseconds, &length) == 2;
  if (readable && pending.size() - (lineEnd + 1) < length) return false;
  if (!readable) length = 0;
  run.printed = pending.substr(0, at);
  run.problem = readable ? pending.substr(lineEnd + 1, length) : "the worker's end marker cannot be read";
  run.milliseconds = milliseconds;
  pending.erase(0, lineEnd + 1 + length);
  return true;
}

// One worker process and our ends of its standard streams.
class Worker {
 public:
  Worker() = default;
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;
  ~Worker() {
    std::string ignored;
    Stop(ignored);
  }

  bool Running() const { return process_ != nullptr; }

  // Called by one thread at a time: a process started meanwhile would
  // inherit this one's pipe ends, and its pipes would then never end.
  bool Start(const std::string& commandLine) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE childInput = nullptr, childOutput = nullptr;
    errors_ = CaptureFile();
    bool started = errors_ != INVALID_HANDLE_VALUE && CreatePipe(&childInput, &input_, &inherited, 0) &&
                   CreatePipe(&output_, &childOutput, &inherited, 0) &&
                   SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0) &&
                   SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
    if (started) {
      STARTUPINFOA startup;
      ZeroMemory(&startup, sizeof startup);
      startup.cb = sizeof startup;
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdInput = childInput;
      startup.hStdOutput = childOutput;
      startup.hStdError = errors_;
      PROCESS_INFORMATION process;
      std::string line = commandLine;
      started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
      if (started) {
        CloseHandle(process.hThread);
        process_ = process.hProcess;
      }
    }
    const DWORD error = GetLastError();
    if (childInput) CloseHandle(childInput);
    if (childOutput) CloseHandle(childOutput);
    if (started) SetHandleInformation(errors_, HANDLE_FLAG_INHERIT, 0);
    else Close();
    SetLastError(error);
    return started;
  }

  // Hands the worker one file and waits for its end marker; when the worker
  // ends first, `run` says why, and the worker is gone.
  void Run(const std::string& input, const std::string& output, FileRun& run) {
    Stopwatch watch;
    const std::string line = input + "\t" + output + "\n";
    DWORD written = 0;
    if (WriteFile(input_, line.data(), DWORD(line.size()), &written, nullptr) && written == line.size()) {
      for (;;) {
        if (TakeMarker(pending_, run)) {
          run.errors = NewErrors();
          return;
        }
        if (!ReadMore()) break;
      }
    }
    run.milliseconds = watch.Milliseconds();
    run.printed.swap(pending_);
    pending_.clear();
    // The cause a failed run gives is its last "molvane_host: " line; what else it said goes on as its errors.
    const DWORD code = End(run.errors);
    const std::string prefix = "molvane_host: ";
    const size_t last = run.errors.rfind(prefix);
    if (code != 0 && last != std::string::npos && (last == 0 || run.errors[last - 1] == '\n')) {
      run.problem = run.errors.substr(last + prefix.size());
      run.problem.erase(std::find(run.problem.begin(), run.problem.end(), '\n'), run.problem.end());
      run.errors.erase(last);
    } else {
      // A crash ends it with the exception's code, which reads in hexadecimal (C0000005: an access violation).
      char ended[64];
      std::snprintf(ended, sizeof ended, code >= 0xC0000000 ? "with exception %08lX" : "with code %lu", (unsigned long)code);
      run.problem = std::string("the host process ended ") + ended + " before the file was done";
    }
  }

  // Lets the worker go once its input ends; false when it ended badly.
  // `said`: what it wrote since its last file.
  bool Stop(std::string& said) {
    if (!Running()) return true;
    CloseHandle(input_);
    input_ = nullptr;
    while (ReadMore()) {
    }
    said = pending_;
    pending_.clear();
    return End(said) == 0;
  }

 private:
  bool ReadMore() {
    char buffer[4096];
    DWORD read = 0;
    if (!ReadFile(output_, buffer, sizeof buffer, &read, nullptr) || read == 0) return false;
    pending_.append(buffer, read);
    return true;
  }

  // What the worker wrote on its standard error since the last call. Reading
  // to the end leaves the file's position, which the worker shares, at the end.
  std::string NewErrors() {
    std::string text;
    if (SetFilePointer(errors_, LONG(errorsRead_), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(errors_, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    errorsRead_ += DWORD(text.size());
    return text;
  }

  // Waits for the worker's end; its exit code, its last errors added to `errors`.
  DWORD End(std::string& errors) {
    WaitForSingleObject(process_, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process_, &code);
    errors += NewErrors();
    Close();
    return code;
  }

  void Close() {
    for (HANDLE* handle : {&process_, &input_, &output_})
      if (*handle) CloseHandle(*handle), *handle = nullptr;
    if (errors_ != INVALID_HANDLE_VALUE) CloseHandle(errors_), errors_ = INVALID_HANDLE_VALUE;
    errorsRead_ = 0;
  }

  HANDLE process_ = nullptr;
  HANDLE input_ = nullptr;   // the worker's standard input: the files it is given
  HANDLE output_ = nullptr;  // its standard output: what each file printed, then its end marker
  HANDLE errors_ = INVALID_HANDLE_VALUE;
  DWORD errorsRead_ = 0;
  std::string pending_;  // read from `output_`, not yet taken
};

}  // namespace

// What the parent's threads share: one thread per worker takes the next file.
struct BatchWorkers::Batch {
  const std::vector<std::string>& inputs;
  const std::vector<std::string>& outputs;
  std::string commandLine;
  HANDLE go;              // set once the files may be taken
  HANDLE progress;        // set each time a file is done
  CRITICAL_SECTION lock;  // guards the fields below and the starting of workers
  size_t next = 0;
  std::vector<FileRun> runs;
  std::vector<char> done;
  std::string said;  // what the workers said after their last file
  bool clean = true;
};

namespace {

DWORD WINAPI ServeFilesFromWorker(void* argument) {
  BatchWorkers::Batch& batch = *static_cast<BatchWorkers::Batch*>(argument);
  Worker worker;
  // Started at once, it loads the plug-in while the parent does; if it
  // cannot start, the first file it takes says why.
  EnterCriticalSection(&batch.lock);
  worker.Start(batch.commandLine);
  LeaveCriticalSection(&batch.lock);
  WaitForSingleObject(batch.go, INFINITE);
  for (;;) {
    EnterCriticalSection(&batch.lock);
    const size_t i = batch.next++;
    const bool started = i >= batch.runs.size() || worker.Running() || worker.Start(batch.commandLine);
    const DWORD error = GetLastError();
    LeaveCriticalSection(&batch.lock);
    if (i >= batch.runs.size()) break;
    FileRun& run = batch.runs[i];
    if (started) worker.Run(batch.inputs[i], batch.outputs[i], run);
    else run.problem = "a host process cannot be started (system error " + std::to_string(error) + ")";
    EnterCriticalSection(&batch.lock);
    batch.done[i] = true;
    LeaveCriticalSection(&batch.lock);
    SetEvent(batch.progress);
  }
  std::string said;
  const bool clean = worker.Stop(said);
  EnterCriticalSection(&batch.lock);
  batch.said += said;
  batch.clean = batch.clean && clean;
  LeaveCriticalSection(&batch.lock);
  return 0;
}

std::string ProgramPath() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length);
}

bool ReadLine(std::string& line) {
  line.clear();
  char buffer[1024];
  while (std::fgets(buffer, sizeof buffer, stdin)) {
    line += buffer;
    if (line.back() == '\n') {
      line.pop_back();
      return true;
    }
  }
  return !line.empty();
}

}  // namespace

BatchWorkers::BatchWorkers(const std::vector<std::string>& toolArguments, const std::vector<std::string>& inputs,
                           const std::vector<std::string>& outputs, int jobs)
    : batch_(new Batch{inputs, outputs, Quoted(ProgramPath()) + " --worker", CreateEventA(nullptr, TRUE, FALSE, nullptr),
                       CreateEventA(nullptr, FALSE, FALSE, nullptr), {}}) {
  Batch& batch = *batch_;
  for (const std::string& argument : toolArguments) batch.commandLine += " " + Quoted(argument);
  InitializeCriticalSection(&batch.lock);
  batch.runs.resize(inputs.size());
  batch.done.resize(inputs.size());
  const size_t workers = std::min(size_t(std::max(jobs, 1)), inputs.size());
  // The cores shared among the workers, unless the user capped the threads
  // already: each tool's run splits its rows over its share (the bytes do not change).
  if (!GetEnvironmentVariableA("MOLVANE_THREADS", nullptr, 0)) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const DWORD share = std::max<DWORD>(1, system.dwNumberOfProcessors / DWORD(workers));
    SetEnvironmentVariableA("MOLVANE_THREADS", std::to_string(share).c_str());
  }
  for (size_t i = 0; i < workers; ++i)
    if (HANDLE thread = CreateThread(nullptr, 0, ServeFilesFromWorker, &batch, 0, nullptr)) threads_.push_back(thread);
}

BatchWorkers::~BatchWorkers() {
  Batch& batch = *batch_;
  // Not run: the workers end without a file.
  EnterCriticalSection(&batch.lock);
  batch.next = batch.runs.size();
  LeaveCriticalSection(&batch.lock);
  Join();
  for (HANDLE event : {batch.go, batch.progress})
    if (event) CloseHandle(event);
  DeleteCriticalSection(&batch.lock);
}

void BatchWorkers::Join() {
  SetEvent(batch_->go);
  for (HANDLE thread : threads_) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
  threads_.clear();
}

bool BatchWorkers::Run(const std::function<void(size_t, const FileRun&)>& report) {
  Batch& batch = *batch_;
  SetEvent(batch.go);
  // No thread at all: this one serves every file before the reports.
  if (threads_.empty()) ServeFilesFromWorker(&batch);
  for (size_t i = 0; i < batch.runs.size(); ++i) {
    for (;;) {
      EnterCriticalSection(&batch.lock);
      const bool done = batch.done[i];
      LeaveCriticalSection(&batch.lock);
      if (done) break;
      WaitForSingleObject(batch.progress, INFINITE);
    }
    std::fputs(batch.runs[i].errors.c_str(), stderr);
    report(i, batch.runs[i]);
  }
  Join();
  std::fputs(batch.said.c_str(), stderr);
  return batch.clean;
}

void ServeFiles(const std::function<std::string(const std::string&, const std::string&)>& runFile) {
  // A crash ends the worker at once, with no box waiting for a click: the parent replaces it.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  // Our own line ends, so that the marker's length counts the problem's bytes as they are.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::string line;
  while (ReadLine(line)) {
    const size_t tab = line.find('\t');
    Stopwatch watch;
    const std::string problem =
        tab == std::string::npos ? "the worker was given no INPUT\tOUTPUT" : runFile(line.substr(0, tab), line.substr(tab + 1));
    std::printf("%c%.1f %lu\n", kMarker, watch.Milliseconds(), (unsigned long)problem.size());
    std::fwrite(problem.data(), 1, problem.size(), stdout);
    std::fflush(stdout);
  }
}

}  // namespace molvane::host
