// Parses one good and one bad requirement through the installed library and
// prints what came back, for test_consumer.sh to compare.
#include <cstdio>
#include <string>

#include "jrl/jrl.hpp"

int main() {
  const auto good =
      jrl::parse("SELECT 1 FROM CLASS(MATH 1200) : \"Calculus\";");
  if (!good) return 1;
  const auto json = good->to_string();
  if (!json) return 1;

  const auto bad = jrl::parse("SELECT 0 FROM CLASS(MATH 1200) : \"Calculus\";");
  if (bad) return 1;

  const std::string out = std::string(jrl::VERSION) + "\n" + *json + "\n" +
                          bad.error().render("consumer.jrl") + "\n";
  std::fputs(out.c_str(), stdout);
  return 0;
}
