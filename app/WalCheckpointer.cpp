#include "WalCheckpointer.h"

#include <sqlite3.h>

#include <utility>

namespace kz7::app {

WalCheckpointer::WalCheckpointer(std::string file) : file_(std::move(file)) {}

WalCheckpointer::~WalCheckpointer() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void WalCheckpointer::Nudge() {
    {
        const std::lock_guard lock(mutex_);
        asked_ = true;
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    wake_.notify_one();
}

void WalCheckpointer::Run() {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file_.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        db = nullptr;  // nothing to do but wait for the close: the writer's close checkpoints
    }
    // The syncs of a checkpoint as the writer's own connection makes them.
    if (db != nullptr) sqlite3_exec(db, "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return asked_ || closing_; });
        if (closing_) break;
        asked_ = false;
        lock.unlock();
        // Passive: never waits for the writer or for readers, and takes what
        // it can; a busy log is left for the next one.
        if (db != nullptr)
            sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        lock.lock();
    }
    lock.unlock();
    sqlite3_close_v2(db);
}

}  // namespace kz7::app
