#include "worker_pool.h"

#include <sched.h>

#include "CSearchController.h"
#include "global-types-and-parameters.h"
#include "run_frontend.h"

thread_local WorkerPool* search_pool = nullptr;

unsigned available_cores()
{
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  int n = CPU_COUNT(&set);
  return n > 0 ? static_cast<unsigned>(n) : 1;
}

WorkerPool::WorkerPool(unsigned threads)
{
  if (threads == 0) threads = 1;
  workers_.reserve(threads);
  const ParameterSet parameters = ParameterSet::of_this_thread();
  const RunLink run = this_thread_run();
  for (unsigned i = 0; i < threads; ++i)
    workers_.emplace_back([this, parameters, run] {
      parameters.set_in_this_thread();
      // The state a controller leaves: pieces of another record's scan may
      // read the thresholds before this thread has built a controller.
      CSearchController::prepare_thresholds();
      CSearchController::minScores = CSearchController::minScores_user;
      CSearchController::minLengths = CSearchController::minLengths_user;
      set_this_thread_run(run);
      search_pool = this;
      worker_loop();
    });
}

WorkerPool::~WorkerPool()
{
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  work_ready_.notify_all();
  for (std::thread& t : workers_) t.join();
}

void WorkerPool::submit(std::function<void()> job)
{
  {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  work_ready_.notify_one();
}

void WorkerPool::run_piece(Batch& b, std::unique_lock<std::mutex>& lock)
{
  std::size_t i = b.next++;
  if (b.next == b.count) batches_.remove(&b);
  lock.unlock();
  (*b.body)(i);
  lock.lock();
  if (++b.done == b.count) piece_done_.notify_all();
}

void WorkerPool::parallel_for(std::size_t count, const std::function<void(std::size_t)>& body)
{
  if (count == 0) return;
  Batch b;
  b.body = &body;
  b.count = count;
  std::unique_lock<std::mutex> lock(mutex_);
  batches_.push_back(&b);
  work_ready_.notify_all();
  while (b.next < b.count) run_piece(b, lock);
  piece_done_.wait(lock, [&] { return b.done == b.count; });
}

void WorkerPool::worker_loop()
{
  become_search_worker(nullptr);
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (!batches_.empty()) {
      run_piece(*batches_.front(), lock);
      continue;
    }
    if (!jobs_.empty()) {
      std::function<void()> job = std::move(jobs_.front());
      jobs_.pop_front();
      lock.unlock();
      job();
      lock.lock();
      continue;
    }
    if (closing_) return;
    work_ready_.wait(lock);
  }
}
