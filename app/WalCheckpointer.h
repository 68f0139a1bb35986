#pragma once
// Moves a result database's write-ahead log into the file on a thread of its
// own, through a connection of its own, while the writer goes on.
//
// A checkpoint waits for the disk twice: the log is synced before its pages
// are copied into the file, and the file after. Made by the writer's own
// commits, those waits fell on the thread that runs the engine, and the one
// at the close, where every page of the run was still in the log, held a
// 100-zone hourly year for about a fifth of a second after its last
// calculation. Here the writer's commits ask this thread for a checkpoint
// (ResultDatabase, once the log holds 8 MB), so the disk takes the pages
// while the engine computes, and the close finds only the last commit's
// pages left to move.
//
// A checkpoint this thread cannot make (another connection is making one, a
// reader holds the log, the disk fails) leaves the pages in the log, where
// they are as safe as before; the next checkpoint or the last connection's
// close moves them.
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace kz7::app {

class WalCheckpointer {
  public:
    // `file` as SQLite opens it. The thread and its connection are made at
    // the first Nudge.
    explicit WalCheckpointer(std::string file);
    // Waits for a checkpoint under way, then ends the thread and closes its
    // connection.
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer&) = delete;
    WalCheckpointer& operator=(const WalCheckpointer&) = delete;

    // Asks for a checkpoint of what has been committed so far; returns at
    // once. Asks made while a checkpoint is under way come to one more.
    void Nudge();

  private:
    void Run();

    const std::string file_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool asked_ = false;
    bool closing_ = false;
    std::thread thread_;
};

}  // namespace kz7::app
