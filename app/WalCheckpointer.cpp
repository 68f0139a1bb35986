#include "WalCheckpointer.h"

#include <optional>
#include <utility>

#include "Sqlite.h"

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
    std::optional<SqliteConnection> db;
    try {
        db.emplace(file_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
        // The syncs of a checkpoint as the writer's own connection makes them.
        db->Execute("PRAGMA synchronous = NORMAL");
    } catch (const SqliteError&) {
        db.reset();  // nothing to do but wait for the close: the writer's close checkpoints
    }
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return asked_ || closing_; });
        if (closing_) break;
        asked_ = false;
        lock.unlock();
        if (db) db->CheckpointPassively();
        lock.lock();
    }
}

}  // namespace kz7::app
