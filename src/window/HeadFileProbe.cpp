#include "window/HeadFileProbe.h"

#include <atomic>

#include "fileinfo/VersionInfo.h"
#include "platform/Paths.h"

struct HeadFileProbe::Job {
  HWND window;
  UINT message;
  WPARAM number;
  HeadFileFacts facts;
  std::atomic<bool> done{false};
};

DWORD WINAPI HeadFileProbe::Run(void* param) {
  const std::unique_ptr<std::shared_ptr<Job>> held(static_cast<std::shared_ptr<Job>*>(param));
  Job& job = **held;
  try {
    job.facts.plainFile = platform::IsPlainFile(job.facts.text);
    if (job.facts.plainFile) job.facts.version = ReadVersionInfo(job.facts.text);
  } catch (...) {
    // What could not be found out counts as not there: the box then simply waits for more text.
  }
  job.done.store(true, std::memory_order_release);
  PostMessageW(job.window, job.message, job.number, 0);
  return 0;
}

void HeadFileProbe::Start(HWND window, UINT message, const std::wstring& text) {
  Forget();
  job_ = std::make_shared<Job>();
  job_->window = window;
  job_->message = message;
  job_->number = ++number_;
  job_->facts.text = text;
  auto* held = new std::shared_ptr<Job>(job_);
  thread_ = CreateThread(nullptr, 0, &HeadFileProbe::Run, held, 0, nullptr);
  if (!thread_) Run(held);  // no thread to be had: found out here, at once
}

std::optional<HeadFileFacts> HeadFileProbe::Wait(DWORD limitMs) {
  if (job_ && thread_) WaitForSingleObject(thread_, limitMs);
  return TakeIfDone();
}

std::optional<HeadFileFacts> HeadFileProbe::Take(WPARAM number) {
  if (!job_ || job_->number != number) return std::nullopt;
  return TakeIfDone();
}

std::optional<HeadFileFacts> HeadFileProbe::TakeIfDone() {
  if (!job_ || !job_->done.load(std::memory_order_acquire)) return std::nullopt;
  HeadFileFacts facts = std::move(job_->facts);
  Forget();
  return facts;
}

void HeadFileProbe::Forget() {
  job_.reset();
  if (thread_) CloseHandle(thread_);
  thread_ = nullptr;
}
