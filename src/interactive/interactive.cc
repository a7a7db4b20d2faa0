#include "interactive/interactive.h"

#include <array>
#include <string>
#include <string_view>

#include "base/diagnostics.h"
#include "base/text_input.h"
#include "lexmodel/lexicalised_lookups.h"

namespace velmo {
namespace {

constexpr const char* kHelp[] = {
    "\nCommands available:\n",
    "h, help:\t\tThis help info",
    "{o, output} <name>:\tchange the name of the output file to <name>",
    "s, save:\t\tAppend the result of the last command to output file",
    "{r, rules} <w> <c>:\tshow rules for word <w> and catgeory <c>",
    ("{w, words} <w> <c> <dc>:\tshow daughter heads for word <w>, category <c> and daughter "
     "category <dc>"),
};
constexpr const char* kQuitHelp = "{q,quit,exit}:\t\tquit session\n";

// A command and up to three arguments; absent ones are empty.
using Command = std::array<std::string, 4>;

Command split(std::string_view line) {
  Command command;
  for (std::string& token : command) token = std::string(next_token(line));
  return command;
}

bool is(const std::string& word, const char* long_name, const char* short_name) {
  return word == long_name || word == short_name;
}

class Session {
 public:
  Session(FILE* in, FILE* out, const Model& model, const LexicalisedModel& lexicalised,
          const RunConfig& config)
      : in_(in),
        out_(out),
        model_(model),
        lex_(lexicalised.lex),
        pooling_(lexicalised.pooling),
        lookups_(model, lexicalised, config),
        config_(config) {}
  ~Session() {
    if (output_) std::fclose(output_);
  }

  void run() {
    for (bool show_message = true;;) {
      if (show_message) puts_line(pending_);
      std::fputs("> ", out_);
      std::fflush(out_);
      std::string line;
      if (!read_line(line)) return;  // the end of input ends the session like a quit
      const Command command = split(line);
      const std::string& word = command[0];
      if (word.empty() || is(word, "help", "h")) {
        for (const char* help : kHelp) puts_line(help);
        pending_ = kQuitHelp;
        show_message = true;
      } else if (word == "quit" || word == "exit" || word == "q") {
        std::fputs("Do you really want to quit [y/n]? ", out_);
        std::fflush(out_);
        const int answer = std::getc(in_);
        if (answer == 'y' || answer == EOF) return;
        show_message = false;
      } else if (is(word, "output", "o")) {
        show_message = change_output(command[1]);
      } else if (is(word, "save", "s")) {
        save(command[1]);
        show_message = true;
      } else {
        if (run_query(command, out_)) saved_ = command;
        show_message = false;
      }
    }
  }

 private:
  void puts_line(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fputc('\n', out_);
  }

  // One line of at most 999 bytes (the rest of a longer line is the next one); false at the end.
  bool read_line(std::string& line) {
    char buffer[1000];
    if (!std::fgets(buffer, sizeof buffer, in_)) return false;
    line = buffer;
    return true;
  }

  // True when the pending message is to be shown (the command lacked its argument).
  bool change_output(const std::string& name) {
    if (name.empty()) {
      pending_ = "This command requires an argument!";
      return true;
    }
    if (output_) std::fclose(output_);
    output_ = nullptr;
    output_ = open_file(name, "wt");
    std::fprintf(out_, "Output file changed to: %s\n", name.c_str());
    return false;
  }

  void save(const std::string& argument) {
    if (!argument.empty()) {
      pending_ = "Unexpected argument for command save";
    } else if (!output_) {
      pending_ = "Please, define the output file first.";
    } else if (saved_[0].empty()) {
      pending_ = "No results to be saved!";
    } else {
      run_query(saved_, output_);
      // A save that did not reach the file (a full disk) is no save.
      if (std::fflush(output_) != 0 || std::ferror(output_)) fatal_error("Can't write to output file");
      pending_ = "Results have been saved!";
    }
  }

  bool run_query(const Command& c, FILE* stream) {
    if (is(c[0], "rules", "r")) return rules(c[1], c[2], stream);
    if (is(c[0], "words", "w")) return words(c[1], c[2], c[3], stream);
    puts_line("Unrecognised command!");
    return false;
  }

  bool rules(const std::string& word, const std::string& category_name, FILE* stream) {
    if (!config_.lexmodel) {
      puts_line("Command not available for unlexicalised models!");
      return false;
    }
    if (category_name.empty()) {
      puts_line("This command requires two arguments!");
      return false;
    }
    bool marked = false;
    const Grammar& grammar = model_.grammar;
    const int category = grammar.symbols.lookup(category_name, LookupMode::kSilent, config_, &marked);
    if (marked) puts_line("Head marking ignored!\n");
    if (category < 0) {
      std::fprintf(out_, "Unknown category %s!\n", category_name.c_str());
      return false;
    }
    const std::string dashes(47, '-');
    // The category as the model names it: a head mark of the query is ignored, not echoed.
    std::fprintf(stream, "Query: rules %s %s\n%s\n freq\tprob\t delta\t  rule\n%s\n", word.c_str(),
                 grammar.name(category).c_str(), dashes.c_str(), dashes.c_str());
    const int head = lexical_item_index(model_.lexicon, word, config_);
    if (const LexicalisedHead* h = lex_.head_rules(category, head)) {
      for (const LexicalisedRuleEntry& e : h->rules) {
        const double p = lookups_.rule(category, e.rule, head);
        std::fprintf(stream, "%5.1f  %.5f  %+.5f  ", e.freq, p,
                     p - grammar.rule(category, e.rule).prob);
        print_rule(stream, grammar, category, e.rule, true);
        std::fputc('\n', stream);
      }
    }
    std::fputc('\n', stream);
    return true;
  }

  bool words(const std::string& word, const std::string& parent_name,
             const std::string& daughter_name, FILE* stream) {
    if (daughter_name.empty()) {
      puts_line("This command requires three arguments!");
      return false;
    }
    if (!config_.lexmodel) {
      std::fputs("Command not available for unlexicalised models!\n", stderr);
      return false;
    }
    const int parent = parent_class_id(parent_name, model_.grammar, pooling_, config_);
    if (parent < 0) {
      std::fprintf(out_, "Unknown parent (pool) category %s!\n", parent_name.c_str());
      return false;
    }
    const int daughter = child_class_id(daughter_name, model_.grammar, pooling_, config_);
    if (daughter < 0) {
      std::fprintf(out_, "Unknown daughter (pool) category %s!\n", daughter_name.c_str());
      return false;
    }
    const std::string dashes(26, '-');
    std::fprintf(stream, "Query: words %s %s %s\n%s\n freq\tprob\tword\n%s\n", word.c_str(),
                 parent_name.c_str(), daughter_name.c_str(), dashes.c_str(), dashes.c_str());
    const int head = lexical_item_index(model_.lexicon, word, config_);
    if (const ParentHeadChoices* h = lex_.parent_head_choices(daughter, parent, head)) {
      const FixedChoice* fixed = lex_.fixed_choice(daughter, parent, head);
      for (const HeadProbability& e : h->entries) {
        const double p = fixed ? (fixed->daughter_head == e.head ? 1.0 : 0.0) : e.prob;
        const std::string name(lexical_item_name(model_.lexicon, e.head, config_));
        std::fprintf(stream, "%5.1f  %.5f  %s\n", e.freq, p, name.c_str());
      }
    }
    std::fputc('\n', stream);
    return true;
  }

  FILE* in_;
  FILE* out_;
  const Model& model_;
  const LexModel& lex_;
  const PoolingClasses& pooling_;
  const LexicalisedLookups lookups_;
  const RunConfig& config_;
  FILE* output_ = nullptr;
  Command saved_;
  std::string pending_ = "\nPlease, enter a command. Type \"h\" for help.";
};

}  // namespace

void interactive_session(FILE* in, FILE* out, const Model& model,
                         const LexicalisedModel& lexicalised, const RunConfig& config) {
  Session session(in, out, model, lexicalised, config);
  session.run();
}

}  // namespace velmo
