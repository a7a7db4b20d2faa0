#include "treebank/treebank_matching.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "base/diagnostics.h"
#include "base/text_input.h"
#include "parser/forest_walk.h"

namespace velmo {

namespace {

constexpr int kFailed = -2;
// A copy whose matching is under way: met again on its own path (a cyclic forest), it does not
// match there.
constexpr int kMatching = -5;

int matching_state(int k) { return -3 - k; }

class Matcher {
 public:
  Matcher(Chart& chart, const std::vector<Bracket>& brackets, const std::vector<bool>& insertable)
      : chart_(chart), brackets_(brackets), insertable_(insertable),
        count_(static_cast<int>(brackets.size())) {}

  int count() const { return count_; }

  ForestNode* match_node(ForestNode* node, int k) {
    const bool lexical = node->lexical != 0;
    const int state = matching_state(k);
    if (ForestNode* copy = chart_.find_node(node->category, node->start, node->end, state, lexical))
      return copy->number >= 0 ? copy : nullptr;
    ForestNode* copy =
        chart_.find_or_make_node(node->category, node->start, node->end, state, nullptr, lexical)
            .first;
    copy->word = node->word;
    copy->number = kMatching;
    const int next = matches(*node, k) ? k + 1 : k;
    if (next == k && !insertable_[node->category]) return fail(copy);
    if (lexical) {
      copy->number = next;
      return copy;
    }
    if (crosses(*node, next)) return fail(copy);
    for (ChartItem* analysis : analyses(node)) {
      bool listed = false;
      ChartItem* c = match_item(analysis, next, &listed);
      if (c == nullptr) continue;
      // A complete copy already among another node copy's analyses (one copy of a node that
      // matched bracket k, one of the same node reached after a unary parent matched it) is
      // twinned: a record lives in one analysis list only. The twin shares the links.
      if (listed) c = twin(c);
      push_front(copy, c);
      if (copy->number == kMatching) copy->number = this->state(c);
    }
    if (first_analysis(copy) == nullptr) return fail(copy);
    return copy;
  }

 private:
  bool matches(const ForestNode& node, int k) const {
    if (k >= count_) return false;
    const Bracket& b = brackets_[k];
    if (b.start != node.start) return false;
    if (b.end != node.end && b.end != Bracket::kOpenEnded) return false;
    return b.categories.empty() ||
           std::find(b.categories.begin(), b.categories.end(), node.category) !=
               b.categories.end();
  }

  // Bracket k begins strictly inside the node and ends after it.
  bool crosses(const ForestNode& node, int k) const {
    if (k >= count_) return false;
    const Bracket& b = brackets_[k];
    return node.start < b.start && b.start < node.end && b.end > node.end;
  }

  // A bracket still to match that begins before `position` was skipped.
  bool left_behind(int k, int position) const {
    return k < count_ && brackets_[k].start < position;
  }

  ForestNode* fail(ForestNode* copy) {
    copy->number = kFailed;
    copy->analyses = nullptr;
    return nullptr;
  }

  // The copy of `item` that matches from bracket k on, or null. `listed` tells that the copy
  // was made before: a complete one is then in an analysis list already.
  ChartItem* match_item(ChartItem* item, int k, bool* listed = nullptr) {
    const int state = matching_state(k);
    if (ChartItem* copy =
            chart_.find_item(ItemKey::of(*item).with_head(state))) {
      if (listed) *listed = true;
      return this->state(copy) >= 0 ? copy : nullptr;
    }
    ChartItem* copy =
        chart_.find_or_make_item(ItemKey::of(*item).with_head(state), nullptr, nullptr).first;
    this->state(copy) = kMatching;
    int result = kFailed;
    for (DaughterLink* link : links(item)) {
      ChartItem* previous = nullptr;
      int before_daughter = k;
      if (link->previous) {
        previous = match_item(link->previous, k);
        if (previous == nullptr) continue;
        before_daughter = this->state(previous);
        if (left_behind(before_daughter, link->daughter->start)) continue;
      }
      ForestNode* daughter = match_node(link->daughter, before_daughter);
      if (daughter == nullptr) continue;
      if (left_behind(daughter->number, link->daughter->end)) continue;
      chart_.add_link(copy, previous, daughter);
      if (result == kFailed) result = daughter->number;
    }
    this->state(copy) = result;
    return result == kFailed ? nullptr : copy;
  }

  ChartItem* twin(const ChartItem* c) {
    ChartItem* t = chart_.make_untabled_item(*c, c->head);
    t->links = c->links;
    const int matched = state(c);
    state(t) = matched;
    return t;
  }

  // The matching state of an item copy, by its number: as for a node copy's `number`, the
  // bracket matched next after it, kMatching or kFailed.
  int& state(const ChartItem* copy) {
    if (static_cast<std::size_t>(copy->number) >= item_states_.size()) {
      item_states_.resize(
          std::max(static_cast<std::size_t>(chart_.item_records()), 2 * item_states_.size()));
    }
    return item_states_[copy->number];
  }

  Chart& chart_;
  std::vector<int> item_states_;
  const std::vector<Bracket>& brackets_;
  const std::vector<bool>& insertable_;
  const int count_;
};

}  // namespace

TreebankMatching::TreebankMatching(const Grammar& grammar)
    : grammar_(grammar), insertable_(grammar.symbol_count(), true) {}

// Missing files are reported in a message of their own, without the usual frame.
void TreebankMatching::read_lines(const std::string& name,
                                  const std::function<void(std::string_view)>& take) const {
  std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(name.c_str(), "r"), &std::fclose);
  if (!in) throw FatalError(string_printf("Cannot open file \"%s\"\n", name.c_str()));
  const std::string bytes = read_whole_stream(in.get(), name);
  std::string_view rest(bytes);
  while (!rest.empty()) {
    const std::size_t newline = rest.find('\n');
    std::string_view line = rest.substr(0, newline);
    rest.remove_prefix(newline == std::string_view::npos ? rest.size() : newline + 1);
    if (!line.empty()) take(line);
  }
}

void TreebankMatching::read_insertable_symbols(const std::string& name,
                                               const RunConfig& config) {
  std::fill(insertable_.begin(), insertable_.end(), false);
  read_lines(name, [&](std::string_view line) {
    for (std::string_view token = next_token(line); !token.empty(); token = next_token(line))
      insertable_[grammar_.symbols.lookup(token, LookupMode::kFatal, config)] = true;
  });
}

void TreebankMatching::read_symbol_matching(const std::string& name, const RunConfig& config) {
  read_lines(name, [&](std::string_view line) {
    std::string_view label = next_token(line);
    if (label.empty()) return;
    auto it = labels_.find(label);
    if (it == labels_.end()) it = labels_.emplace(std::string(label), std::vector<int>()).first;
    for (std::string_view token = next_token(line); !token.empty(); token = next_token(line))
      it->second.push_back(grammar_.symbols.lookup(token, LookupMode::kFatal, config));
  });
}

const std::vector<int>* TreebankMatching::map_treebank_label(std::string_view label) const {
  auto it = labels_.find(label);
  return it == labels_.end() ? nullptr : &it->second;
}

void TreebankMatching::filter_forest(Chart& chart, const std::vector<Bracket>& brackets) const {
  Matcher matcher(chart, brackets, insertable_);
  std::vector<ForestNode*> roots;
  for (ForestNode* root : chart.roots()) {
    ForestNode* copy = matcher.match_node(root, 0);
    if (copy != nullptr && copy->number == matcher.count()) roots.push_back(copy);
  }
  chart.roots() = std::move(roots);
}

}  // namespace velmo
