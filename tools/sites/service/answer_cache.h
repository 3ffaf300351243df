// The most recently built pages of the sites service, so that a page asked
// for again (today's puzzles, which every user fetches) is not built again.
// Every page follows from its address and the date of "today" alone, so a
// kept answer is the answer. Bounded in entries; the oldest goes first.
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "site_requests.h"

namespace kovalo::sites {

class AnswerCache {
 public:
  explicit AnswerCache(size_t capacity) : capacity_(capacity) {}

  // The answer kept for target on the day today, or nothing.
  std::shared_ptr<const SiteResponse> Find(std::string_view target, const CivilDate& today);
  // Keeps an answer, dropping the least recently used one beyond capacity.
  void Keep(std::string_view target, const CivilDate& today,
            std::shared_ptr<const SiteResponse> answer);
  size_t size() const;

 private:
  using Entry = std::pair<std::string, std::shared_ptr<const SiteResponse>>;
  static std::string Key(std::string_view target, const CivilDate& today);

  const size_t capacity_;
  mutable std::mutex mutex_;
  std::list<Entry> entries_;  // most recently used first
  std::unordered_map<std::string, std::list<Entry>::iterator> index_;
};

}  // namespace kovalo::sites
