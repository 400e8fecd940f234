// WorkerPool: the threads of a parallel run, and the two kinds of work they
// take: whole records (submit) and the pieces of one record's search
// (parallel_for, which the submitting thread helps with, so a record's search
// may split itself from inside a worker without waiting on a busy pool).
//
// Every worker searches with its creator's parameters and belongs to its
// creator's run (observer and stop flag), so that pools of different runs
// may work side by side.
//
// Pieces are taken before records, so the long record that holds up the
// ordered output is finished first. Work is handed out under one mutex, once
// per record or piece; nothing inside a search takes it.
#ifndef SARVIK_WORKER_POOL_H
#define SARVIK_WORKER_POOL_H

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

// Cores this process may run on (its affinity mask, so taskset, cgroup
// cpusets and batch schedulers count); at least 1.
unsigned available_cores();

class WorkerPool {
 public:
  explicit WorkerPool(unsigned threads);
  ~WorkerPool();  // runs what was submitted, then joins
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  unsigned threads() const { return static_cast<unsigned>(workers_.size()); }

  void submit(std::function<void()> job);
  // body(0) .. body(count - 1), in any order and on any threads; returns when
  // all have returned.
  void parallel_for(std::size_t count, const std::function<void(std::size_t)>& body);

 private:
  struct Batch {
    const std::function<void(std::size_t)>* body;
    std::size_t count;
    std::size_t next = 0;
    std::size_t done = 0;
  };

  void worker_loop();
  // Runs one index of a batch; `lock` is held on entry and on return.
  void run_piece(Batch& b, std::unique_lock<std::mutex>& lock);

  std::mutex mutex_;
  std::condition_variable work_ready_;
  std::condition_variable piece_done_;
  std::deque<std::function<void()>> jobs_;
  std::list<Batch*> batches_;  // with pieces not yet handed out
  bool closing_ = false;
  std::vector<std::thread> workers_;
};

// The pool that the thread's searches may split a record over; null in a
// serial run. A pool's workers have their own pool here.
extern thread_local WorkerPool* search_pool;

#endif
