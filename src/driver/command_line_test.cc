#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "base/diagnostics.h"

namespace velmo {
namespace {

// The options of the usage text (the first word of each line that begins with "  -").
std::set<std::string> usage_options() {
  char* text = nullptr;
  std::size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  print_usage(out);
  std::fclose(out);
  std::istringstream lines(std::string(text, size));
  std::free(text);
  std::set<std::string> options;
  static const std::regex option(R"(^  (-[a-zA-Z0-9-]+))");
  std::smatch m;
  for (std::string line; std::getline(lines, line);)
    if (std::regex_search(line, m, option)) options.insert(m[1]);
  return options;
}

// Whether velmo takes the word after `option` as its argument: "-quiet" after it is then no
// option of its own.
bool takes_argument(const std::string& option) {
  RunConfig config;
  const char* args[] = {option.c_str(), "-quiet", "g.gram"};
  FILE* sink = std::fopen("/dev/null", "w");
  try {
    parse_command_line(3, args, config, sink);
  } catch (const FatalError&) {
    // The options were scanned before the checks that object.
  }
  std::fclose(sink);
  return !config.quiet;
}

// velmo-parallel keeps its own list of velmo's options that take an argument (it must know
// which word is the text): every option of the usage text is in it exactly when velmo takes
// an argument after it.
TEST(CommandLine, VelmoParallelKnowsWhichOptionsTakeAnArgument) {
  std::ifstream script(VELMO_SOURCE_DIR "/src/parallel/velmo-parallel");
  std::stringstream text;
  text << script.rdbuf();
  const std::string source = text.str();
  const std::size_t from = source.find("takes_argument() {");
  ASSERT_NE(from, std::string::npos);
  const std::string pattern =
      source.substr(from, source.find(") return 0 ;;", from) - from);
  std::set<std::string> listed;
  static const std::regex option(R"(-[a-zA-Z][a-zA-Z0-9-]*)");
  for (auto m = std::sregex_iterator(pattern.begin(), pattern.end(), option);
       m != std::sregex_iterator(); ++m)
    listed.insert(m->str());
  const std::set<std::string> options = usage_options();
  ASSERT_GT(options.size(), 50u);
  for (const std::string& o : options) {
    if (o == "-version") continue;  // prints the banner and stops
    EXPECT_EQ(listed.count(o) == 1, takes_argument(o)) << o;
  }
  EXPECT_TRUE(takes_argument("-train-sums"));  // not in the usage text, but in the list
  EXPECT_TRUE(listed.count("-train-sums"));
}

}  // namespace
}  // namespace velmo
