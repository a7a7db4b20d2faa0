// Round trips through the files the program writes, run as a user runs it: the frequency files
// of training read back with -in, the binary parameter file against the text model it was
// stored from, and frequency files that are only replaced when they are complete.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <cmath>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "velmo_runner.h"

namespace velmo {
namespace {

namespace fs = std::filesystem;

using testing::Args;
using testing::concat;
using testing::read_file;
using testing::Result;
using testing::Scratch;

const std::string kExamples = VELMO_SOURCE_DIR "/examples/";
const std::string kData = VELMO_SOURCE_DIR "/../shared/data/";

// ---------------------------------------------------------------- training, read back with -in

// A grammar with one prepositional-phrase attachment ambiguity whose two readings have the
// same probability: every NP and VP rule has probability 1/2, so each reading of
// "dogs see cats in parks" is 1/32 of the same lexical product and gets half of the count.
constexpr const char* kAttachGrammar =
    "1 S NP VP'\n"
    "1 NP N'\n"
    "1 NP NP' PP\n"
    "1 VP V' NP\n"
    "1 VP VP' PP\n"
    "1 PP P' NP\n";

// Rex is unknown and capitalised (the -O table: N), zorbs unknown and lower case (the -o
// table: N and V, of which only N fits).
constexpr const char* kAttachSentences =
    "dogs\nsee\ncats\nin\nparks\n\n"
    "cats\nsee\nRex\n\n"
    "dogs\nsee\nzorbs\n";

void write_attach_model(const Scratch& s) {
  s.write("g.gram", kAttachGrammar);
  s.write("g.lex", "dogs\tN 1\nparks\tN 1\ncats\tN 1\nsee\tV 1\nin\tP 1\n");
  s.write("g.start", "S 1\n");
  s.write("g.oc", "N 1\nV 1\n");
  s.write("g.OC", "N 1\n");
}

TEST(TrainingRoundTrip, WrittenFilesHoldTheExpectedCountsAndReadBackAsThatModel) {
  Scratch s;
  write_attach_model(s);
  Result trained = s.velmo({"-quiet", "-t", "out", "-in", "g"}, kAttachSentences);
  ASSERT_EQ(trained.status, 0) << trained.err;
  EXPECT_EQ(trained.out, "");
  // Symbols in id order: N NP P PP S V VP. NP -> N is used 3 times by each reading of the
  // first sentence and twice in each other one; the attachment rules get 1/2 each.
  EXPECT_EQ(s.read("out.gram"),
            "7.00\tNP N'\n"
            "0.50\tNP NP' PP\n"
            "1.00\tPP P' NP\n"
            "3.00\tS NP VP'\n"
            "3.00\tVP V' NP\n"
            "0.50\tVP VP' PP\n");
  EXPECT_EQ(s.read("out.lex"),
            "cats\tN 2.00\ndogs\tN 2.00\nin\tP 1.00\nparks\tN 1.00\nsee\tV 3.00\n");
  EXPECT_EQ(s.read("out.oc"), "N 1.00\nV 0.00\n");
  EXPECT_EQ(s.read("out.OC"), "N 1.00\n");
  EXPECT_EQ(s.read("out.start"), "S\t3.00\n");

  // The same counts written by hand, in the other spellings the readers accept.
  s.write("h.gram", "7 NP N'\n0.5 NP NP' PP\n1 PP P' NP\n3 S NP VP'\n3 VP V' NP\n.5 VP VP' PP\n");
  s.write("h.lex", "see\tV 3\nparks\tN 1\nin\tP 1\ndogs\tN 2\ncats\tN 2\n");
  s.write("h.oc", "N 1 V 0");
  s.write("h.OC", "N 1");
  s.write("h.start", "S 3\n");
  Result from_training = s.velmo({"-print-model", "-in", "out"});
  Result by_hand = s.velmo({"-print-model", "-in", "h"});
  ASSERT_EQ(from_training.status, 0) << from_training.err;
  EXPECT_NE(from_training.out, s.velmo({"-print-model", "-in", "g"}).out);
  EXPECT_EQ(from_training.out, by_hand.out);
  EXPECT_EQ(from_training.err, by_hand.err);
}

// Without head lexicalisation a reading's count is shared out evenly over its lemmas, and
// reading the file back adds the shares up again.
TEST(TrainingRoundTrip, StemsLexiconSharesCountsOverLemmas) {
  Scratch s;
  s.write("g.gram", kAttachGrammar);
  s.write("g.lex",
          "dogs\tN 1 dog\nparks\tN 1 park\tV 1 park\ncats\tN 1 cat\n"
          "saw\tV 1 see\tV 1 saw\tN 1 saw\nin\tP 1 in\n");
  s.write("g.start", "S 1\n");
  for (const char* name : {"g.oc", "g.OC", "h.oc", "h.OC"}) s.write(name, "");  // no open classes
  Result trained = s.velmo({"-quiet", "-stems", "-t", "out", "-in", "g"},
                           "dogs\nsaw\ncats\nin\nparks\n");
  ASSERT_EQ(trained.status, 0) << trained.err;
  EXPECT_EQ(s.read("out.lex"),
            "cats\tN 1.00 cat\n"
            "dogs\tN 1.00 dog\n"
            "in\tP 1.00 in\n"
            "parks\tN 1.00 park\tV 0.00 park\n"
            "saw\tN 0.00 saw\tV 0.50 saw\tV 0.50 see\n");

  s.write("h.gram", "3 NP N'\n0.5 NP NP' PP\n1 PP P' NP\n1 S NP VP'\n1 VP V' NP\n0.5 VP VP' PP\n");
  s.write("h.lex",
          "cats\tN 1 cat\ndogs\tN 1 dog\nin\tP 1 in\nparks\tN 1 park\tV 0 park\n"
          "saw\tN 0 saw\tV 0.5 see\tV 0.5 saw\n");
  s.write("h.start", "S 1\n");
  Result from_training = s.velmo({"-stems", "-print-model", "-in", "out"});
  Result by_hand = s.velmo({"-stems", "-print-model", "-in", "h"});
  ASSERT_EQ(from_training.status, 0) << from_training.err;
  // N: cats, dogs, parks 1 and saw 0, smoothed to 0.5; V: parks 0 (0.5) and saw 1.
  EXPECT_EQ(from_training.out,
            "\nWord Probabilities\n\n"
            "cats\tN 0.285714 (cat)\n"
            "dogs\tN 0.285714 (dog)\n"
            "in\tP 1 (in)\n"
            "parks\tN 0.285714 (park)\tV 0.333333 (park)\n"
            "saw\tN 0.142857 (saw)\tV 0.666667 (saw see)\n"
            "\nRule Probabilities\n\n"
            "0.857143 NP -> N'\n"
            "0.142857 NP -> NP' PP\n"
            "1 PP -> P' NP\n"
            "1 S -> NP VP'\n"
            "0.666667 VP -> V' NP\n"
            "0.333333 VP -> VP' PP\n"
            "\nStart Probabilities\n\n"
            "1 S\n\n");
  EXPECT_EQ(from_training.out, by_hand.out);
}

// A symbol whose own name ends in an apostrophe (V'' in a file) is written so that it reads
// back as itself, not as V with a head mark: a second pass over the written files counts the
// same again, with and without lemmas.
TEST(TrainingRoundTrip, NamesEndingInAnApostropheReadBack) {
  for (const Args& stems : std::vector<Args>{{}, {"-stems"}}) {
    Scratch s;
    s.write("g.gram", "1 S NP V''\n1 NP N'\n");
    s.write("g.lex", stems.empty() ? "dogs\tN 1\nbark\tV'' 1\n" : "dogs\tN 1 dog\nbark\tV'' 1 bark\n");
    s.write("g.oc", "V'' 1\n");
    s.write("g.OC", "");
    s.write("g.start", "S 1\nV'' 1\n");
    Result first = s.velmo(concat(stems, {"-quiet", "-t", "out", "-in", "g"}), "dogs\nbark\n");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(s.read("out.start"), "S\t1.00\n");
    EXPECT_NE(s.read("out.lex").find("V'' 1.00"), std::string::npos) << s.read("out.lex");
    EXPECT_EQ(s.read("out.oc"), "V'' 0.00\n");
    s.write("out.start", "S 1\nV'' 0.5\n");
    Result second = s.velmo(concat(stems, {"-quiet", "-t", "again", "-in", "out"}), "dogs\nbark\n");
    ASSERT_EQ(second.status, 0) << second.err;
    for (const char* suffix : {".gram", ".lex", ".oc"})
      EXPECT_EQ(s.read(std::string("again") + suffix), s.read(std::string("out") + suffix));
    EXPECT_EQ(s.read("again.start"), "S\t1.00\n");
    s.write("again.start", "V'' 1\n");
    EXPECT_EQ(s.velmo(concat(stems, {"-quiet", "-print-model", "-in", "again"})).status, 0);
  }
}

// ---------------------------------------------------------------- intermediate results

std::string repeated(const std::string& text, int count) {
  std::string all;
  for (int i = 0; i < count; ++i) all += text;
  return all;
}

int occurrences(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

void write_ab_model(const Scratch& s) {
  s.write("g.gram", "1 S A B'\n");
  s.write("g.lex", "a\tA 1\nb\tB 1\nc\tA 3\n");
  s.write("g.start", "S 1\n");
}

const Args kAbTraining = {"-t", "out", "-s", "g.start", "-l", "g.lex", "g.gram"};

// Every 10000 sentences the files are written, if 10000 sentences were trained since the
// last re-estimation.
TEST(IntermediateResults, WrittenAfterTenThousandSentences) {
  Scratch s;
  write_ab_model(s);
  Result r = s.velmo(kAbTraining, repeated("a\nb\n\n", 10001));
  ASSERT_EQ(r.status, 0) << r.err.substr(r.err.size() - 200);
  EXPECT_EQ(occurrences(r.err, "\r10000\nwriting intermediate results to disk\n\r10001"), 1);
  EXPECT_EQ(occurrences(r.err, "intermediate"), 1);
  EXPECT_EQ(s.read("out.gram"), "10001.00\tS A B'\n");
}

// With -iter 1 the last re-estimation before sentence 10000 is at 8191.
TEST(IntermediateResults, NotWrittenWithinAShorterReestimationInterval) {
  Scratch s;
  write_ab_model(s);
  Result r = s.velmo(concat({"-iter", "1"}, kAbTraining), repeated("a\nb\n\n", 10001));
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(occurrences(r.err, "intermediate"), 0);
  EXPECT_EQ(occurrences(r.err, "\rwriting frequency files"), 13);  // 1, 3, 7 ... 8191
  EXPECT_EQ(occurrences(r.err, "\r8191 perplexity: "), 1);
  EXPECT_EQ(s.read("out.gram"), "1810.00\tS A B'\n");  // sentences 8192 to 10001
}

// ---------------------------------------------------------------- parameter file

// The example model, as text files and as options.
struct TextModel {
  const char* name;
  Args options;  // everything but the input file
};

const TextModel kTextModels[] = {
    {"english",
     {"-s", kExamples + "english.start", "-l", kExamples + "english.lex", "-o",
      kExamples + "english.oc", "-O", kExamples + "english.OC", kExamples + "english.gram"}},
    {"english-stems",
     {"-stems", "-s", kExamples + "english.start", "-l", kExamples + "english-stems.lex", "-o",
      kExamples + "english.oc", "-O", kExamples + "english.OC", kExamples + "english.gram"}},
};

const Args kOutputModes[] = {
    {},           {"-preorder"},         {"-vpf"},          {"-trees"},
    {"-viterbi"}, {"-viterbi1"},         {"-tagging"},      {"-viterbi", "-tagging"},
    {"-inside"},  {"-outside"},          {"-freq"},         {"-viterbi-probs"},
    {"-sent-probs"},                     {"-viterbi", "-sent-probs"},
    {"-inside", "-outside", "-viterbi-probs"},              {"-print-probs", "-"},
};

std::string describe(const Args& args) {
  std::string text;
  for (const std::string& a : args) text += " " + a;
  return text.empty() ? " (forest)" : text;
}

class ParameterFileRoundTrip : public ::testing::TestWithParam<TextModel> {};

TEST_P(ParameterFileRoundTrip, EveryOutputModeIsTheSameAsFromTheTextFiles) {
  const TextModel& model = GetParam();
  Scratch s;
  Result stored = s.velmo(concat({"-quiet", "-store-params"}, concat(model.options, {"p.bin"})));
  ASSERT_EQ(stored.status, 0) << stored.err;
  const std::string sentences = kExamples + "sentences.txt";
  for (const Args& mode : kOutputModes) {
    Result text = s.velmo(concat(concat({"-quiet"}, mode), concat(model.options, {sentences})));
    Result params = s.velmo(concat(concat({"-quiet"}, mode), {"-params", "p.bin", sentences}));
    EXPECT_EQ(text.status, 0) << describe(mode) << text.err;
    EXPECT_NE(text.out + text.err, "") << describe(mode);
    EXPECT_EQ(params.status, text.status) << describe(mode);
    EXPECT_EQ(params.out, text.out) << describe(mode);
    EXPECT_EQ(params.err, text.err) << describe(mode);
  }
}

// Training starts from zero counts with either source, under the same probabilities; the
// parameter file also brings its -stems setting, so the readings are written per lemma.
TEST_P(ParameterFileRoundTrip, TrainingWritesTheSameFrequencyFiles) {
  const TextModel& model = GetParam();
  Scratch s;
  ASSERT_EQ(s.velmo(concat({"-quiet", "-store-params"}, concat(model.options, {"p.bin"}))).status,
            0);
  const std::string sentences = kExamples + "sentences.txt";
  Result text = s.velmo(concat({"-quiet", "-t", "text"}, concat(model.options, {sentences})));
  Result params = s.velmo({"-quiet", "-t", "params", "-params", "p.bin", sentences});
  ASSERT_EQ(text.status, 0) << text.err;
  ASSERT_EQ(params.status, 0) << params.err;
  for (const char* suffix : {".gram", ".lex", ".oc", ".OC", ".start"})
    EXPECT_EQ(s.read(std::string("params") + suffix), s.read(std::string("text") + suffix))
        << suffix;
}

TEST_P(ParameterFileRoundTrip, StandardOutputHoldsTheSameBytesAsTheNamedFile) {
  const TextModel& model = GetParam();
  Scratch s;
  Result to_file = s.velmo(concat({"-store-params"}, concat(model.options, {"p.bin"})));
  Result to_stdout = s.velmo(concat({"-store-params"}, model.options));
  ASSERT_EQ(to_file.status, 0) << to_file.err;
  ASSERT_EQ(to_stdout.status, 0) << to_stdout.err;
  EXPECT_EQ(to_file.out, "");
  EXPECT_EQ(to_stdout.out.substr(0, 4), std::string("3.0\0", 4));
  EXPECT_EQ(to_stdout.out, s.read("p.bin"));
  EXPECT_EQ(to_stdout.err, to_file.err);
}

INSTANTIATE_TEST_SUITE_P(Examples, ParameterFileRoundTrip, ::testing::ValuesIn(kTextModels),
                         [](const ::testing::TestParamInfo<TextModel>& info) {
                           return info.param.name == std::string("english") ? "English"
                                                                            : "EnglishStems";
                         });

// The head-lexicalised model trained on the example sentences (with and without lemmas, with
// pooling classes) answers every output mode alike from its text files and from the parameter
// file stored from them, and trains alike from both.
TEST(LexicalisedParameterFileRoundTrip, EveryOutputModeAndTrainingAreTheSame) {
  const std::string sentences = kExamples + "sentences.txt";
  for (const TextModel& model : kTextModels) {
    SCOPED_TRACE(model.name);
    Scratch s;
    s.write("child.pool.txt", "NOMINAL NP N1\n");
    s.write("parent.pool.txt", "CLAUSE S VP\n");
    Args stems = model.options[0] == "-stems" ? Args{"-stems"} : Args{};
    Result trained = s.velmo(concat(concat({"-quiet", "-heads", "-t", "lm", "-pooling",
                                            "parent.pool.txt", "-cpooling", "child.pool.txt"},
                                           model.options),
                                    {sentences}));
    ASSERT_EQ(trained.status, 0) << trained.err;
    const Args text_model = concat(stems, {"-lexmodel", "-in", "lm"});
    Result stored = s.velmo(concat(concat({"-quiet", "-store-params"}, text_model), {"p.bin"}));
    ASSERT_EQ(stored.status, 0) << stored.err;
    for (const Args& mode : kOutputModes) {
      Result text = s.velmo(concat(concat({"-quiet"}, mode), concat(text_model, {sentences})));
      Result params = s.velmo(concat(concat({"-quiet"}, mode), {"-params", "p.bin", sentences}));
      EXPECT_EQ(text.status, 0) << describe(mode) << text.err;
      EXPECT_EQ(params.out, text.out) << describe(mode);
      EXPECT_EQ(params.err, text.err) << describe(mode);
    }
    Result text = s.velmo(concat({"-quiet", "-t", "text"}, concat(text_model, {sentences})));
    Result params = s.velmo({"-quiet", "-t", "params", "-params", "p.bin", sentences});
    ASSERT_EQ(text.status, 0) << text.err;
    ASSERT_EQ(params.status, 0) << params.err;
    for (const char* suffix : {".gram", ".lex", ".start", ".lgram", ".lchoice", ".lstart", ".pool"})
      EXPECT_EQ(s.read(std::string("params") + suffix), s.read(std::string("text") + suffix))
          << suffix;
    // The listing of a stored model has its lexicalised sections too.
    Result text_listing = s.velmo(concat({"-quiet", "-print-model"}, text_model));
    Result params_listing = s.velmo({"-quiet", "-print-model", "-params", "p.bin"});
    EXPECT_NE(text_listing.out.find("Lexicalised Rule Probabilities"), std::string::npos);
    EXPECT_EQ(params_listing.out, text_listing.out);
  }
}

// Lexicalised frequency files and the lexicalised sections of a parameter file, cut at every
// byte or with any byte damaged, end in a clear error (or, for a harmless change, a normal run),
// never in a crash or a wrong id used.
TEST(LexicalisedFiles, CutOrDamagedAnywhereEndInAnError) {
  Scratch s;
  const std::string fixtures = VELMO_SOURCE_DIR "/tests/fixtures/";
  s.write("s.txt", "the\ndog\nsaw\nthe\ncat\nwith\nthe\ndog\n");
  ASSERT_EQ(s.velmo({"-quiet", "-heads", "-t", "lm", "-s", fixtures + "heads.start", "-l",
                     fixtures + "heads.lex", fixtures + "heads.gram", "s.txt"})
                .status,
            0);
  ASSERT_EQ(s.velmo({"-quiet", "-lexmodel", "-store-params", "-in", "lm", "p.bin"}).status, 0);
  const Args lexmodel = {"-quiet", "-lexmodel", "-viterbi", "-in", "lm", "s.txt"};
  const Args params = {"-quiet", "-viterbi", "-params", "p.bin", "s.txt"};
  struct Target {
    std::string file;
    Args run;
    size_t from;  // offsets before this are not cut (the unlexicalised part of p.bin)
  };
  // The lexicalised sections follow a part as long as the unlexicalised file of the same model,
  // which has tests of its own.
  ASSERT_EQ(s.velmo({"-quiet", "-store-params", "-in", "lm", "plain.bin"}).status, 0);
  const size_t sections = s.read("plain.bin").size();
  ASSERT_GT(s.read("p.bin").size(), sections + 100);
  for (const Target& t : {Target{"lm.lgram", lexmodel, 0}, Target{"lm.lchoice", lexmodel, 0},
                          Target{"lm.lstart", lexmodel, 0}, Target{"lm.pool", lexmodel, 0},
                          Target{"p.bin", params, sections}}) {
    const std::string whole = s.read(t.file);
    for (size_t n = t.from; n < whole.size(); ++n) {
      s.write(t.file, whole.substr(0, n));
      Result cut = s.velmo(t.run);
      EXPECT_EQ(cut.status, 1) << t.file << " cut at " << n;
      EXPECT_NE(cut.err.find("\nERROR: "), std::string::npos) << t.file << " cut at " << n;
      std::string damaged = whole;
      damaged[n] = static_cast<char>(damaged[n] ^ 0xff);
      s.write(t.file, damaged);
      Result r = s.velmo(t.run);
      EXPECT_TRUE(r.status == 0 || (r.status == 1 && r.err.find("\nERROR: ") != std::string::npos))
          << t.file << " byte " << n << ": " << r.status << r.err;
    }
    s.write(t.file, whole);
  }
}

// ---------------------------------------------------------------- merging

// Every number of a frequency file (text form), with the lines' words as they are.
void expect_same_frequencies(const std::string& merged, const std::string& one_run,
                             const std::string& file) {
  std::istringstream a(merged), b(one_run);
  std::string x, y;
  while (a >> x) {
    ASSERT_TRUE(b >> y) << file;
    char* end_x = nullptr;
    char* end_y = nullptr;
    const double fx = std::strtod(x.c_str(), &end_x), fy = std::strtod(y.c_str(), &end_y);
    if (*end_x == '\0' && *end_y == '\0' && !x.empty() && x != "-")
      EXPECT_NEAR(fx, fy, 1e-9 * std::max(1.0, std::fabs(fy))) << file << ": " << x;
    else
      EXPECT_EQ(x, y) << file;
  }
  EXPECT_FALSE(b >> y) << file;
}

// Training splits over sentences: the files of two halves of a text, merged, are those of one
// run over the whole text, the lexicalised ones included.
TEST(Merging, ShardedTrainingMergedEqualsOneRun) {
  Scratch s;
  const std::string text = read_file(kExamples + "sentences.txt");
  const size_t middle = text.find("\n\n", text.size() / 2) + 2;
  s.write("a.txt", text.substr(0, middle));
  s.write("b.txt", text.substr(middle));
  s.write("all.txt", text);
  const Args training = {"-quiet", "-high-precision", "-heads", "-textpar", "-in",
                         kExamples + "english", "-t"};
  for (const char* part : {"a", "b", "all"})
    ASSERT_EQ(s.velmo(concat(training, {part, std::string(part) + ".txt"})).status, 0) << part;
  Result merged = s.velmo({"-quiet", "-high-precision", "-heads", "-lexmodel", "-textpar", "-in",
                           "a", "-merge", "b", "merged"});
  ASSERT_EQ(merged.status, 0) << merged.err;
  for (const char* suffix : {".gram", ".lex", ".start", ".oc", ".OC", ".lgram.txt",
                             ".lchoice.txt", ".lstart.txt"})
    expect_same_frequencies(s.read(std::string("merged") + suffix),
                            s.read(std::string("all") + suffix), suffix);
}

// ---------------------------------------------------------------- replacing files

const Args kExampleTraining = {"-quiet", "-t", "out", "-s", kExamples + "english.start",
                               "-l", kExamples + "english.lex", kExamples + "english.gram",
                               kExamples + "sentences.txt"};

// The temporary file of out.gram lies beside it and carries the process id, which the child
// knows before velmo replaces it: a folder of that name cannot be opened as a file.
TEST(ReplacedFiles, UnopenableTemporaryFileLeavesTheOldFileIntact) {
  Scratch s;
  s.write("out.gram", "old grammar\n");
  const fs::path run_dir = s.run_dir();
  Result r = s.velmo(kExampleTraining, "", [&run_dir] {
    fs::create_directory(run_dir / ("out.gram.tmp" + std::to_string(getpid())));
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "\nERROR: Can't open file: out.gram\naborted.\n");
  EXPECT_EQ(s.read("out.gram"), "old grammar\n");
}

// A file-size limit lets the new grammar file (301 bytes) be written and makes the lexicon
// (543 bytes) fail part-way: neither old file is replaced, and no temporary file stays.
TEST(ReplacedFiles, FailedWriteLeavesTheOldSetIntactAndNoTemporaryFile) {
  Scratch s;
  s.write("out.gram", "old grammar\n");
  s.write("out.lex", "old lexicon\n");
  Result r = s.velmo(kExampleTraining, "", [] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{400, 400};
    setrlimit(RLIMIT_FSIZE, &limit);
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "\nERROR: Can't write to output file: out.lex\naborted.\n");
  EXPECT_EQ(s.read("out.gram"), "old grammar\n");
  EXPECT_EQ(s.read("out.lex"), "old lexicon\n");
  EXPECT_EQ(s.files(), (std::set<std::string>{"out.gram", "out.lex"}));
}

// Temporary files of a run that was killed are removed by the next run of the same base; one
// whose process still runs (this test's) is left to it.
TEST(ReplacedFiles, TemporariesOfKilledRunsAreRemoved) {
  Scratch s;
  const std::string own = "out.lex.tmp" + std::to_string(getpid());
  s.write("out.gram.tmp2147483646", "killed run\n");  // beyond any process id
  s.write(own, "running\n");
  s.write("out.gram.tmpx", "not ours\n");
  ASSERT_EQ(s.velmo(kExampleTraining).status, 0);
  EXPECT_EQ(s.files(), (std::set<std::string>{"out.gram", "out.lex", "out.oc", "out.OC",
                                              "out.start", own, "out.gram.tmpx"}));
}

// ---------------------------------------------------------------- the treebank grammar

std::string first_sentences(const std::string& text, int count) {
  size_t end = 0;
  for (int i = 0; i < count; ++i) {
    end = text.find("\n\n", end);
    if (end == std::string::npos) return text;
    end += 2;
  }
  return text.substr(0, end);
}

TEST(TreebankTraining, FilesOfTwentySentencesLoadBack) {
  const std::string wsj = kData + "wsj/";
  if (!fs::exists(wsj + "wsj.gram") || !fs::exists(wsj + "train-short.txt"))
    GTEST_SKIP() << "no treebank grammar in " << wsj;
  Scratch s;
  const std::string sentences = first_sentences(read_file(wsj + "train-short.txt"), 20);
  Result trained = s.velmo({"-quiet", "-t", "out", "-in", wsj + "wsj"}, sentences);
  ASSERT_EQ(trained.status, 0) << trained.err;
  EXPECT_EQ(trained.err, "");
  for (const char* suffix : {".gram", ".lex", ".oc", ".OC", ".start"})
    EXPECT_TRUE(fs::exists(s / (std::string("out") + suffix))) << suffix;

  Result tagged = s.velmo({"-quiet", "-tagging", "-in", "out"}, sentences);
  ASSERT_EQ(tagged.status, 0) << tagged.err;
  Result stored = s.velmo({"-quiet", "-store-params", "-in", "out", "p.bin"});
  ASSERT_EQ(stored.status, 0) << stored.err;
  Result from_params = s.velmo({"-quiet", "-tagging", "-params", "p.bin"}, sentences);
  EXPECT_EQ(from_params.out, tagged.out);
}

}  // namespace
}  // namespace velmo
