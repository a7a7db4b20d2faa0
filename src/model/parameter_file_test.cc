#include "model/parameter_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>

#include "base/text_input.h"
#include "model/model_test_util.h"

namespace velmo {
namespace {

using testing::captured;
using testing::fatal_text;
using testing::small_model;
using testing::stream_of;

// The parameter file of a model, built by hand field by field; `at` remembers where the named
// fields start so that tests can damage them.
class Bytes {
 public:
  Bytes& i32(int32_t v, const char* name = nullptr) { return put(&v, 4, name); }
  Bytes& f32(float v) { return put(&v, 4, nullptr); }
  Bytes& f64(double v) { return put(&v, 8, nullptr); }
  Bytes& str(const std::string& s) { return put(s.c_str(), s.size() + 1, nullptr); }
  const std::string& bytes() const { return bytes_; }
  size_t at(const std::string& name) const { return at_.at(name); }

 private:
  Bytes& put(const void* p, size_t n, const char* name) {
    if (name) at_[name] = bytes_.size();
    bytes_.append(static_cast<const char*>(p), n);
    return *this;
  }
  std::string bytes_;
  std::map<std::string, size_t> at_;
};

// small_model with stems, three entries (one a multi-word lexeme) and a general open-class table.
Model lexicon_model() {
  Model model = small_model();
  Lexicon& lex = model.lexicon;
  lex.lemmas.assign({"New York", "a", "dog"});
  lex.entries = {
      LexEntry{"New York", {TagEntry{1, 0.25f, 0, {{0, 1.0, 0}}}}},
      LexEntry{"a", {TagEntry{0, 1.0f, 0, {{1, 1.0, 0}}}}},
      LexEntry{"dog", {TagEntry{1, 0.25f, 0, {{2, 1.0, 0}}}, TagEntry{4, 1.0f, 0, {{2, 1.0, 0}}}}},
  };
  lex.mwl_root.words = {"York"};
  lex.mwl_root.children.resize(1);
  lex.mwl_root.children[0].words = {"New"};
  lex.mwl_root.children[0].children.resize(1);
  lex.mwl_root.children[0].children[0].entry = 0;
  lex.open_class.loaded = true;
  lex.open_class.entries.assign(6, OpenClassEntry{});
  lex.open_class.entries[1] = {true, 0, 0.5};
  lex.open_class.entries[4] = {false, 0, 0.75};  // not open: stored as 0
  return model;
}

RunConfig stems_config() {
  RunConfig config;
  config.stems = true;
  return config;
}

// The file of lexicon_model() with stems_config().
Bytes expected_file() {
  Bytes b;
  b.str("3.0").i32(0, "lexicalised");
  b.i32(6, "N");
  b.str("DT").i32(0).f64(0).f64(1).i32(0).i32(0).i32(0).i32(0);
  b.str("N").i32(0).f64(0).f64(1).i32(1, "N.parent_pool").i32(1).i32(2).i32(0);
  b.str("NP").i32(2, "NP.R").f64(0).f64(0).i32(2).i32(2).i32(0).i32(2, "NP.R2");
  b.i32(1, "NP.r0.head").f64(0.6).i32(1).i32(2, "NP.r0.k").i32(0, "NP.r0.d0").i32(1);
  b.i32(0).f64(0.4).i32(2).i32(1).i32(1);
  b.str("S").i32(1).f64(1).f64(0).i32(3).i32(3).i32(0).i32(1);
  b.i32(1).f64(1.0).i32(0).i32(2).i32(2).i32(5);
  b.str("V").i32(0).f64(0).f64(1).i32(4).i32(4).i32(0).i32(0);
  b.str("VP").i32(2).f64(0).f64(0).i32(5).i32(5).i32(0).i32(2);
  b.i32(0).f64(0.75).i32(3).i32(1).i32(4);
  b.i32(1).f64(0.25).i32(4).i32(2).i32(4).i32(2, "VP.r1.d1");
  b.i32(1, "open.general").i32(0).f64(0).f64(0.5).f64(0).f64(0).f64(0).f64(0);
  b.i32(1, "stems").i32(3, "M").str("New York").str("a").str("dog");
  b.i32(3, "E");
  b.str("New York").i32(1).i32(1).f32(0.25f).i32(1).i32(0);
  b.str("a").i32(1).i32(0).f32(1.0f).i32(1).i32(1);
  b.str("dog")
      .i32(2, "dog.T")
      .i32(1, "dog.t0.tag")
      .f32(0.25f)
      .i32(1, "dog.t0.L")
      .i32(2, "dog.t0.l0");
  b.i32(4).f32(1.0f).i32(1).i32(2);
  b.i32(-1)
      .i32(1, "mwl.root.C")
      .str("York")
      .i32(-1)
      .i32(1)
      .str("New")
      .i32(0, "mwl.New.entry")
      .i32(0);
  return b;
}

std::string stored(const Model& model, const RunConfig& config) {
  return captured([&](FILE* f) { store_parameters(f, model, config); });
}

// Reads the bytes as a parameter file named "p.bin"; returns the fatal error's text.
std::string read_error(const std::string& bytes) {
  FILE* f = stream_of(bytes);
  RunConfig config;
  std::string text = fatal_text([&] { read_parameters(f, "p.bin", config); });
  std::fclose(f);
  return text;
}

const std::string kCorrupt = "\nERROR: Corrupt parameter file: p.bin\naborted.\n";
const std::string kShortRead = "\nERROR: while reading from input file!\naborted.\n";
const std::string kShortString = "\nERROR: while reading string from file!\naborted.\n";

std::string patched(std::string bytes, size_t offset, int32_t value) {
  std::memcpy(bytes.data() + offset, &value, 4);
  return bytes;
}

TEST(ParameterFile, LayoutOfASmallModel) {
  EXPECT_EQ(stored(lexicon_model(), stems_config()), expected_file().bytes());
}

TEST(ParameterFile, EmptyLexiconEndsInAnEmptyRoot) {
  std::string bytes = stored(small_model(), RunConfig{});
  Bytes tail;
  tail.i32(0).i32(0).i32(0).i32(0).i32(-1).i32(0);  // no open classes, stems 0, E 0, root
  ASSERT_GE(bytes.size(), tail.bytes().size());
  EXPECT_EQ(bytes.substr(bytes.size() - tail.bytes().size()), tail.bytes());
}

TEST(ParameterFile, LoadingGivesTheSameProbabilitiesAndNoFrequencies) {
  Model model = lexicon_model();
  std::string bytes = stored(model, stems_config());
  FILE* f = stream_of(bytes);
  RunConfig config;  // -stems comes from the file
  Model back = read_parameters(f, "p.bin", config);
  std::fclose(f);
  EXPECT_TRUE(config.stems);
  EXPECT_FALSE(config.lexmodel);

  // What is stored comes back (the loaded model stores to the same bytes, below); frequencies
  // start from zero and the first-daughter lists are built again.
  const Grammar& g = model.grammar;
  ASSERT_EQ(back.grammar.symbol_count(), 6);
  for (int s = 0; s < 6; ++s) {
    const SymbolData& got = back.grammar.data[s];
    EXPECT_EQ(got.start_freq, 0.0);
    for (const Rule& rule : got.rules) EXPECT_EQ(rule.freq, 0.0);
    ASSERT_EQ(got.first_daughter.size(), g.data[s].first_daughter.size());
    for (size_t i = 0; i < got.first_daughter.size(); ++i) {
      EXPECT_EQ(got.first_daughter[i].mother, g.data[s].first_daughter[i].mother);
      EXPECT_EQ(got.first_daughter[i].rule, g.data[s].first_daughter[i].rule);
    }
  }
  ASSERT_NE(back.lexicon.mwl_root.child("York"), nullptr);
  ASSERT_NE(back.lexicon.mwl_root.child("York")->child("New"), nullptr);
  EXPECT_EQ(back.lexicon.mwl_root.child("York")->child("New")->entry, 0);
  EXPECT_FALSE(back.lexicon.cap_open_class.loaded);

  // Nothing else is stored: the loaded model stores to the same bytes.
  EXPECT_EQ(stored(back, config), bytes);
}

TEST(ParameterFile, LexicalisedFlagCarriesLemmaProbabilities) {
  Model model = lexicon_model();
  model.lexicon.entries[2].tags[0].lemmas[0].prob = 0.375;
  RunConfig config = stems_config();
  config.lexmodel = true;
  std::string bytes = captured([&](FILE* f) {
    store_parameters(f, model, config, [](FILE* out) { std::fputs("LEX", out); });
  });
  EXPECT_EQ(bytes.substr(bytes.size() - 3), "LEX");

  FILE* f = stream_of(bytes);
  RunConfig loaded;
  Model back = read_parameters(f, "p.bin", loaded);
  char rest[4] = {};
  EXPECT_EQ(std::fread(rest, 1, 4, f), 3u);  // left at the lexicalised sections
  std::fclose(f);
  EXPECT_TRUE(loaded.lexmodel);
  EXPECT_TRUE(loaded.lexicalise);
  EXPECT_EQ(back.lexicon.entries[2].tags[0].lemmas[0].prob, 0.375);
}

TEST(ParameterFile, OtherVersionsAreRejected) {
  std::string bytes = expected_file().bytes();
  std::string v31 = bytes;
  v31[2] = '1';
  EXPECT_EQ(read_error(v31),
            "\nERROR: Parameter file was generated with a different program version: 3.1\n"
            "aborted.\n");
  std::string v301 = "3.01" + bytes.substr(3);
  EXPECT_EQ(read_error(v301),
            "\nERROR: Parameter file was generated with a different program version: 3.01\n"
            "aborted.\n");
}

TEST(ParameterFile, CountsAndIdsOutOfRangeAreCorrupt) {
  Bytes b = expected_file();
  struct Row {
    const char* field;
    int32_t value;
  } rows[] = {
      {"lexicalised", 2},
      {"N", 0},
      {"N", -1},
      {"N", 0x7fffffff},
      {"N.parent_pool", -3},
      {"NP.R", -2},
      {"NP.R2", 3},
      {"NP.r0.head", 2},
      {"NP.r0.head", -2},
      {"NP.r0.k", 0},
      {"NP.r0.k", 100},
      {"NP.r0.d0", 6},
      {"NP.r0.d0", -1},
      {"VP.r1.d1", 6},
      {"open.general", 2},
      {"stems", 7},
      {"M", -1},
      {"dog.t0.tag", 6},
      {"dog.t0.l0", 3},
      {"mwl.New.entry", 3},
      {"mwl.New.entry", -2},
  };
  for (const Row& row : rows)
    EXPECT_EQ(read_error(patched(b.bytes(), b.at(row.field), row.value)), kCorrupt)
        << row.field << " = " << row.value;
}

TEST(ParameterFile, NamesOutOfOrderAreCorrupt) {
  std::string bytes = expected_file().bytes();
  size_t v = bytes.find(std::string("VP\0", 3));
  bytes[v] = 'A';  // "AP" after "V"
  EXPECT_EQ(read_error(bytes), kCorrupt);
}

TEST(ParameterFile, DeeplyNestedMultiWordTrieIsCorrupt) {
  std::string bytes = stored(small_model(), RunConfig{});
  bytes.resize(bytes.size() - 8);  // the empty root
  Bytes chain;
  for (int depth = 0; depth < 200; ++depth) chain.i32(-1).i32(1).str("w");
  chain.i32(-1).i32(0);
  EXPECT_EQ(read_error(bytes + chain.bytes()), kCorrupt);
}

// Counts that the rest of the file cannot hold are what a cut leaves: the file ends early.
TEST(ParameterFile, CountsBeyondTheEndOfTheFileAreShortReads) {
  Bytes b = expected_file();
  struct Row {
    const char* field;
    int32_t value;
  } rows[] = {
      {"NP.R", 1000},     {"M", 1000000},       {"E", 0x40000000},
      {"dog.T", 1000},    {"dog.t0.L", 1000},   {"mwl.root.C", 1000},
  };
  for (const Row& row : rows)
    EXPECT_EQ(read_error(patched(b.bytes(), b.at(row.field), row.value)), kShortRead)
        << row.field << " = " << row.value;
}

bool is_short_read(const std::string& text) { return text == kShortRead || text == kShortString; }
bool is_read_error(const std::string& text) { return text == kCorrupt || is_short_read(text); }

TEST(ParameterFile, CutAtEveryOffset) {
  const std::string bytes = expected_file().bytes();
  for (size_t n = 0; n < bytes.size(); ++n)
    EXPECT_PRED1(is_short_read, read_error(bytes.substr(0, n))) << "cut at " << n;
}

TEST(ParameterFile, DamagedByteAnywhereNeverCrashes) {
  const std::string bytes = expected_file().bytes();
  for (size_t n = 0; n < bytes.size(); ++n) {
    for (int mask : {0xff, 0x80, 0x01}) {
      std::string damaged = bytes;
      damaged[n] = static_cast<char>(damaged[n] ^ mask);
      std::string text = read_error(damaged);
      if (text == "(no error)") continue;  // a probability or a name may change harmlessly
      if (n < 4) continue;                 // the version message
      EXPECT_PRED1(is_read_error, text) << "byte " << n << " ^ " << mask;
    }
  }
}

TEST(ParameterFile, ProbabilitiesOutsideZeroToOneAreNotStored) {
  RunConfig lexicalised = stems_config();
  lexicalised.lexmodel = true;
  struct Row {
    const char* what;
    std::function<void(Model&)> damage;
    double value;
    const RunConfig config;
  } rows[] = {
      {"rule", [](Model& m) { m.grammar.data[2].rules[0].prob = 1.0000000001; }, 1.0000000001,
       stems_config()},
      {"start", [](Model& m) { m.grammar.data[3].start_prob = -0.5; }, -0.5, stems_config()},
      {"not a number", [](Model& m) { m.grammar.data[2].rules[1].prob = NAN; }, NAN,
       stems_config()},
      {"lexical share", [](Model& m) { m.grammar.data[1].lex_share = 1.5; }, 1.5, stems_config()},
      {"open class", [](Model& m) { m.lexicon.open_class.entries[1].prob = 2; }, 2, stems_config()},
      {"tag", [](Model& m) { m.lexicon.entries[0].tags[0].prob = 1.5f; }, 1.5, stems_config()},
      {"lemma", [](Model& m) { m.lexicon.entries[1].tags[0].lemmas[0].prob = -1; }, -1,
       lexicalised},
  };
  for (const Row& row : rows) {
    Model model = lexicon_model();
    row.damage(model);
    EXPECT_EQ(fatal_text([&] { stored(model, row.config); }),
              "\nERROR: invalid probability value: " + format_double(row.value) + "\naborted.\n")
        << row.what;
  }
}

TEST(ParameterFile, FailedWriteIsFatal) {
  FILE* full = std::fopen("/dev/full", "wb");
  if (!full) GTEST_SKIP() << "no /dev/full";
  EXPECT_EQ(fatal_text([&] { store_parameters(full, lexicon_model(), stems_config()); }),
            "\nERROR: Can't write to output file!\naborted.\n");
  std::fclose(full);
}

TEST(ParameterFile, NamedFileRoundTrip) {
  char name[] = "/tmp/velmo_params_XXXXXX";
  int fd = mkstemp(name);
  ASSERT_GE(fd, 0);
  close(fd);
  store_parameters_to_file(name, lexicon_model(), stems_config());
  RunConfig config;
  Model back = load_parameters(name, config);
  EXPECT_EQ(stored(back, config), expected_file().bytes());
  // A lexicalised file needs the lexicalised model's reader.
  RunConfig lexicalised = stems_config();
  lexicalised.lexmodel = true;
  store_parameters_to_file(name, lexicon_model(), lexicalised);
  EXPECT_EQ(fatal_text([&] { load_parameters(name, config); }),
            std::string("\nERROR: This version of Velmo cannot read lexicalised parameter "
                        "files: ") +
                name + "\naborted.\n");
  std::remove(name);
}

}  // namespace
}  // namespace velmo
