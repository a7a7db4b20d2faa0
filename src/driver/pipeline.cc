#include "driver/pipeline.h"

#include <memory>
#include <utility>

#include "lexmodel/lexicalise.h"
#include "output/chunk_printer.h"
#include "output/forest_printer.h"
#include "output/governor_printer.h"
#include "output/viterbi_printer.h"
#include "parser/pruning.h"
#include "parser/training.h"

namespace velmo {

namespace {

struct ConsumerRow {
  bool (*applies)(const RunConfig&);
  std::unique_ptr<ForestStage> (*make)(PipelineParts&);
};

// The first row whose options are set gives the run's consumer; the last row always applies.
const ConsumerRow kConsumers[] = {
    {[](const RunConfig& c) { return c.chunking; },
     [](PipelineParts& p) {
       return make_chunk_printer(p.out, std::move(p.chunk_categories), false);
     }},
    {[](const RunConfig& c) { return c.opt_chunking; },
     [](PipelineParts& p) {
       return make_chunk_printer(p.out, std::move(p.chunk_categories), true);
     }},
    {[](const RunConfig& c) { return c.viterbi != 0; },
     [](PipelineParts& p) { return make_viterbi_printer(p.out); }},
    {[](const RunConfig& c) { return c.governors; },
     [](PipelineParts& p) { return make_governor_printer(p.out); }},
    {[](const RunConfig& c) { return c.tagging; },
     [](PipelineParts& p) { return make_tag_printer(p.out); }},
    {[](const RunConfig& c) { return c.train; },
     [](PipelineParts& p) {
       return make_trainer(p.model, p.config, p.lexicalised_counts,
                           std::move(p.lexicalised_files));
     }},
    {[](const RunConfig&) { return true; },
     [](PipelineParts& p) { return make_forest_printer(p.out); }},
};

}  // namespace

SentencePipeline make_pipeline(PipelineParts& parts) {
  const RunConfig& config = parts.config;
  SentencePipeline pipeline;
  if (config.lexicalise) {
    if (config.prune > 0) pipeline.stages.push_back(make_pruner(parts.model, config));
    pipeline.stages.push_back(make_lexicaliser(parts.model, config));
  }
  if (!config.print_probs_file.empty())
    pipeline.stages.push_back(make_parameter_printer(config.print_probs_file));
  for (const ConsumerRow& row : kConsumers) {
    if (row.applies(config)) {
      pipeline.consumer = row.make(parts);
      break;
    }
  }
  return pipeline;
}

}  // namespace velmo
