#include "model/wordwise_smoothing.h"

#include <algorithm>
#include <vector>

#include "model/estimation.h"

namespace velmo {

namespace {

struct AmbiguityClass {
  std::vector<int> tags;      // the tag ids of the class's words, ascending
  std::vector<double> freqs;  // per tag, summed over the words; later its probability
};

std::vector<int> tag_list(const LexEntry& entry) {
  std::vector<int> tags;
  tags.reserve(entry.tags.size());
  for (const TagEntry& t : entry.tags) tags.push_back(t.tag);
  return tags;
}

std::vector<double> word_frequencies(const LexEntry& entry) {
  std::vector<double> freqs;
  freqs.reserve(entry.tags.size());
  for (const TagEntry& t : entry.tags) freqs.push_back(t.freq);
  return freqs;
}

// The d of the words' own smoothing: the ratio of words seen once to words seen less than
// once, when there are fewer of the former; else 0 (the default).
double word_discount(const Lexicon& lexicon) {
  int n0 = 0, n1 = 0;
  for (const LexEntry& entry : lexicon.entries) {
    double total = 0.0;
    for (const TagEntry& t : entry.tags) total += static_cast<float>(t.freq);
    if (total < 1.0)
      ++n0;
    else if (total < 2.0)
      ++n1;
  }
  return n1 > 0 && n1 < n0 ? static_cast<double>(n1) / n0 : 0.0;
}

// Sorted by tag list; std::vector's ordering puts a prefix before its extensions.
std::vector<AmbiguityClass> collect_classes(const Lexicon& lexicon) {
  std::vector<std::vector<int>> lists;
  for (const LexEntry& entry : lexicon.entries) lists.push_back(tag_list(entry));
  std::sort(lists.begin(), lists.end());
  lists.erase(std::unique(lists.begin(), lists.end()), lists.end());
  std::vector<AmbiguityClass> classes;
  classes.reserve(lists.size());
  for (std::vector<int>& tags : lists) {
    std::size_t n = tags.size();
    classes.push_back({std::move(tags), std::vector<double>(n, 0.0)});
  }
  return classes;
}

AmbiguityClass& class_of(std::vector<AmbiguityClass>& classes, const LexEntry& entry) {
  std::vector<int> tags = tag_list(entry);
  return *std::lower_bound(classes.begin(), classes.end(), tags,
                           [](const AmbiguityClass& c, const std::vector<int>& t) {
                             return c.tags < t;
                           });
}

// Turns the class's frequencies into its (single-precision) tag probabilities.
void class_probabilities(AmbiguityClass& c) {
  double total = 0.0;
  for (double f : c.freqs) total += f;
  if (!(total > 0.0)) {
    std::fill(c.freqs.begin(), c.freqs.end(), static_cast<float>(1.0 / c.freqs.size()));
    return;
  }
  smooth_frequencies(c.freqs, nullptr, 0.0);
  float sum = 0.0f;
  for (double f : c.freqs) sum = static_cast<float>(sum + f);
  for (double& f : c.freqs) f = static_cast<float>(f / sum);
}

}  // namespace

void smooth_wordwise(Lexicon& lexicon) {
  double d = word_discount(lexicon);
  std::vector<AmbiguityClass> classes = collect_classes(lexicon);
  for (const LexEntry& entry : lexicon.entries) {
    AmbiguityClass& c = class_of(classes, entry);
    for (std::size_t i = 0; i < entry.tags.size(); ++i) c.freqs[i] += entry.tags[i].freq;
  }
  for (AmbiguityClass& c : classes) class_probabilities(c);
  for (LexEntry& entry : lexicon.entries) {
    const AmbiguityClass& c = class_of(classes, entry);
    std::vector<double> counts = word_frequencies(entry);
    smooth_frequencies(counts, &c.freqs, d);
    for (std::size_t i = 0; i < entry.tags.size(); ++i)
      entry.tags[i].prob = static_cast<float>(counts[i]);
  }
}

}  // namespace velmo
