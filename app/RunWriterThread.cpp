#include "RunWriterThread.h"

#include <exception>
#include <utility>

namespace kz7::app {

RunWriterThread::RunWriterThread(const std::filesystem::path& database, size_t queueBytes)
    : database_(database), queueBytes_(queueBytes), thread_([this] { WriteQueued(); }) {}

RunWriterThread::~RunWriterThread() {
    Close();
}

void RunWriterThread::Take(RunPart part) {
    const size_t bytes = part.Bytes();
    Queue(Job{std::move(part), nullptr}, bytes);
}

void RunWriterThread::AfterParts(std::function<void(ResultDatabase&)> then) {
    Queue(Job{RunPart{}, std::move(then)}, 0);
}

void RunWriterThread::Queue(Job job, size_t bytes) {
    std::unique_lock lock(mutex_);
    room_.wait(lock, [&] { return jobs_.empty() || bytes_ + bytes <= queueBytes_; });
    bytes_ += bytes;
    jobs_.push_back(std::move(job));
    queued_.notify_one();
}

void RunWriterThread::Close() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
        queued_.notify_one();
    }
    if (thread_.joinable()) thread_.join();
}

void RunWriterThread::WriteQueued() {
    std::unique_lock lock(mutex_);
    for (;;) {
        queued_.wait(lock, [this] { return closing_ || !jobs_.empty(); });
        if (jobs_.empty()) return;  // closing, and all is written
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        const size_t bytes = job.part.Bytes();
        Write(job);
        job = Job{};  // the part's memory goes before there is room for more
        lock.lock();
        bytes_ -= bytes;
        room_.notify_all();
    }
}

void RunWriterThread::Write(Job& job) {
    if (job.then) {
        try {
            job.then(database_);
        } catch (const std::exception&) {
            // Only memory can run out here; the thread must live on to write
            // the parts still queued.
        }
        return;
    }
    RunWrites& run = *job.part.run;
    if (!run.failure.empty()) return;  // an earlier part failed: the run is failed
    try {
        WriteRunPart(database_, job.part);
    } catch (const std::exception& error) {
        run.failure = error.what();
    }
}

}  // namespace kz7::app
