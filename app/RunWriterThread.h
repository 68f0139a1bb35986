#pragma once
// One thread that writes the runs of several engines into one result
// database through a connection of its own. The engines' threads hand it
// their runs' parts already encoded (RunWriter with this as its sink) and go
// on calculating: they never wait for SQLite's write lock, for a busy
// handler's sleep or for each other's transactions; only the page writes are
// made in turn.
//
// The queue is bounded: a thread that hands over a part while the queued
// parts hold more than `queueBytes` waits until the writer has caught up, so
// memory stays bounded however slow the disk. A part larger than the bound
// is taken when the queue is empty.
//
// A part that cannot be written marks its run failed (RunWrites::failure);
// the run's later parts are dropped. Nothing queued is ever dropped
// otherwise: Close (and the destructor) writes every part taken.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

#include "ResultDatabase.h"

namespace kz7::app {

class RunWriterThread final : public RunPartSink {
  public:
    static constexpr size_t kQueueBytes = size_t{256} << 20;

    // Opens the database (throws ResultDatabaseError) and starts the thread.
    explicit RunWriterThread(const std::filesystem::path& database,
                             size_t queueBytes = kQueueBytes);
    ~RunWriterThread();
    RunWriterThread(const RunWriterThread&) = delete;
    RunWriterThread& operator=(const RunWriterThread&) = delete;

    void Take(RunPart part) override;
    void AfterParts(std::function<void(ResultDatabase&)> then) override;
    // Writes everything queued and ends the thread; nothing may be handed
    // over after it.
    void Close();

  private:
    struct Job {
        RunPart part;
        std::function<void(ResultDatabase&)> then;  // set instead of a part
    };
    void Queue(Job job, size_t bytes);
    void WriteQueued();
    void Write(Job& job);

    ResultDatabase database_;
    size_t queueBytes_;
    std::mutex mutex_;
    std::condition_variable queued_;  // to the writer: a job, or closing
    std::condition_variable room_;    // to the engines' threads: room in the queue
    std::deque<Job> jobs_;
    size_t bytes_ = 0;  // held by jobs_
    bool closing_ = false;
    std::thread thread_;
};

}  // namespace kz7::app
