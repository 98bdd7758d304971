#include "platform/buffer_queue.h"

#include <algorithm>
#include <utility>

namespace zel {

void BufferQueue::set_done_callback(std::function<void(int)> fn) {
  std::lock_guard<std::mutex> lock(m_);
  done_ = std::move(fn);
}

bool BufferQueue::write(int tag, const int16_t* samples, size_t count) {
  std::lock_guard<std::mutex> lock(m_);
  queue_.push_back({tag, std::vector<int16_t>(samples, samples + count), 0});
  return true;
}

void BufferQueue::pause() {
  std::lock_guard<std::mutex> lock(m_);
  paused_ = true;
}

void BufferQueue::restart() {
  std::lock_guard<std::mutex> lock(m_);
  paused_ = false;
}

void BufferQueue::reset() {
  std::vector<int> tags;
  {
    std::lock_guard<std::mutex> lock(m_);
    for (const Buffer& b : queue_) tags.push_back(b.tag);
    queue_.clear();
  }
  report(tags);
}

void BufferQueue::set_feeder(std::function<void()> fn) {
  std::lock_guard<std::mutex> lock(m_);
  feeder_ = std::move(fn);
}

std::function<void()> BufferQueue::feeder() const {
  std::lock_guard<std::mutex> lock(m_);
  return feeder_;
}

size_t BufferQueue::take(size_t count, const Sink& sink, std::vector<int>& finished) {
  std::lock_guard<std::mutex> lock(m_);
  if (paused_) return 0;
  size_t taken = 0;
  while (taken < count && !queue_.empty()) {
    Buffer& b = queue_.front();
    size_t n = std::min(count - taken, b.samples.size() - b.offset);
    if (n > 0 && sink) sink(b.samples.data() + b.offset, n);
    b.offset += n;
    taken += n;
    if (b.offset >= b.samples.size()) {
      finished.push_back(b.tag);
      queue_.pop_front();
    }
  }
  return taken;
}

void BufferQueue::report(const std::vector<int>& finished) const {
  std::function<void(int)> done;
  {
    std::lock_guard<std::mutex> lock(m_);
    done = done_;
  }
  if (done)
    for (int tag : finished) done(tag);
}

size_t BufferQueue::drain(size_t count, const Sink& sink) {
  std::vector<int> finished;
  take(count, sink, finished);
  report(finished);
  return finished.size();
}

}  // namespace zel
