// A bounded cache of built pages, least recently used out first.
#include "answer_cache.h"

namespace kovalo::sites {

std::string AnswerCache::Key(std::string_view target, const CivilDate& today) {
  // The date first: a target may hold any byte, but not a line break
  // before the date's digits.
  return std::to_string(today.year) + "-" + std::to_string(today.month) + "-" +
         std::to_string(today.day) + "\n" + std::string(target);
}

std::shared_ptr<const SiteResponse> AnswerCache::Find(std::string_view target,
                                                      const CivilDate& today) {
  const std::string key = Key(target, today);
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = index_.find(key);
  if (found == index_.end()) return nullptr;
  entries_.splice(entries_.begin(), entries_, found->second);
  return found->second->second;
}

void AnswerCache::Keep(std::string_view target, const CivilDate& today,
                       std::shared_ptr<const SiteResponse> answer) {
  if (capacity_ == 0) return;
  std::string key = Key(target, today);
  std::lock_guard<std::mutex> lock(mutex_);
  if (const auto found = index_.find(key); found != index_.end()) {
    found->second->second = std::move(answer);
    entries_.splice(entries_.begin(), entries_, found->second);
    return;
  }
  entries_.emplace_front(key, std::move(answer));
  index_.emplace(std::move(key), entries_.begin());
  if (entries_.size() > capacity_) {
    index_.erase(entries_.back().first);
    entries_.pop_back();
  }
}

size_t AnswerCache::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

}  // namespace kovalo::sites
