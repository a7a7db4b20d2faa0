// Head lexicalisation of a parsed forest: every node and item gets one copy per lexical head it
// can have, made in the chart's pool. A parser-built node or item keeps its copies in a chain
// (variants(node), variants(chart, item): a node's `next_variant`, the chart's array beside the
// items), and the copies chain on through theirs. Afterwards the chart's roots are the copies of
// the former roots.
//
// The head of a node is a lexical item id (a word's lexicon index, or its lemma id with
// -stems), -1 for a word or reading the lexicon does not know. An item at or after its rule's
// head daughter carries that daughter's head; an item before it gets the head of the item that
// continues it, on demand.
#pragma once

#include <memory>

#include "base/run_config.h"
#include "model/model.h"
#include "parser/chart.h"
#include "parser/forest_stage.h"

namespace velmo {

// Replaces the chart's forest by its lexicalised copy; nothing happens for a failed parse.
void lexicalise_forest(Chart& chart, const Model& model, const RunConfig& config);

// The stage that lexicalises each parsed forest.
std::unique_ptr<ForestStage> make_lexicaliser(const Model& model, const RunConfig& config);

}  // namespace velmo
