// The table of effects: what a new row can get wrong before any front end notices — an option
// that clashes with the shared ones, a patch column no option reaches, a default its own rule
// refuses, a usage message that misses a choice, a launcher used twice.
#include "tonemill/effects/catalog.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tonemill {
namespace {

LaunchValues Launch(bool ms, int32_t bits, int32_t rate) {
  LaunchValues l;
  l.msMode = ms;
  l.bits = bits;
  l.rate = rate;
  l.channels = 2;
  l.framesPerMs = rate / 1000.0;
  l.totalFrames = 100000;
  l.end = ms ? 100000 / l.framesPerMs : 100000;
  return l;
}

TEST(EffectTable, NamesOptionsAndLaunchersAreUnique) {
  const std::set<std::string> shared = {"output", "force", "quiet", "range", "unit", "channel",
                                        "patch", "save-patch", "help"};
  std::set<std::string> commands, launchers;
  for (const EffectEntry& e : Effects()) {
    SCOPED_TRACE(e.command);
    EXPECT_TRUE(commands.insert(e.command).second);
    ASSERT_TRUE(e.launcher);
    EXPECT_TRUE(launchers.insert(e.launcher).second);
    EXPECT_EQ(FindEffect(e.command), &e);
    std::set<std::string> options;
    for (const EffectField& f : e.fields) {
      EXPECT_FALSE(shared.count(f.option)) << f.option;
      EXPECT_TRUE(options.insert(f.option).second) << f.option;
      ASSERT_TRUE(f.help);
    }
    if (e.family == EffectFamily::Range) {
      EXPECT_TRUE(e.run);
      // A dialog needs a title and a help topic; the editor's own operations have neither.
      EXPECT_EQ(e.caption != nullptr, !e.runByEditor);
      EXPECT_EQ(e.helpContext != 0, !e.runByEditor);
    } else {
      EXPECT_EQ(&EffectOf(e.kind), &e);
    }
  }
  EXPECT_EQ(FindEffect("mix"), nullptr);
}

TEST(EffectTable, ChoicesAndListsSayWhatTheyTake) {
  for (const EffectEntry& e : Effects())
    for (const EffectField& f : e.fields) {
      SCOPED_TRACE(std::string(e.command) + " --" + f.option);
      if (f.kind == FieldKind::Choice) {
        ASSERT_TRUE(f.takes);
        std::string metavar;
        for (const EffectChoice& c : f.choices) {
          EXPECT_NE(std::string(f.takes).find(c.name), std::string::npos);
          if (!metavar.empty()) metavar += '|';
          metavar += c.name;
        }
        EXPECT_EQ(metavar, f.metavar);
        // A choice given by default must be one of them.
        if (*f.givenByDefault) {
          EXPECT_NE(metavar.find(f.givenByDefault), std::string::npos);
        }
      }
      if (f.kind == FieldKind::List) {
        ASSERT_TRUE(f.takes);
        EXPECT_NE(std::string(f.takes).find(f.metavar), std::string::npos);
      }
    }
}

// Every value column of a library effect's patch is reached by exactly one option.
TEST(EffectTable, EveryPatchColumnHasOneOption) {
  for (const EffectEntry& e : Effects()) {
    if (e.family != EffectFamily::Library) continue;
    SCOPED_TRACE(e.command);
    const size_t columns = LayoutOf(e.kind).columns.size();
    std::vector<int> reached(columns, 0);
    for (const EffectField& f : e.fields) {
      if (f.kind != FieldKind::Number && f.kind != FieldKind::Choice && f.kind != FieldKind::List) continue;
      ASSERT_LE(f.column + f.count, columns) << f.option;
      for (size_t k = 0; k < f.count; ++k) ++reached[f.column + k];
      // A choice's values are the column's range.
      if (f.kind == FieldKind::Choice) {
        const PatchColumn& c = LayoutOf(e.kind).columns[f.column];
        EXPECT_EQ(c.min, f.firstValue);
        EXPECT_EQ(c.max, f.firstValue + int(f.choices.size()) - 1);
      }
    }
    for (size_t c = 0; c < columns; ++c) EXPECT_EQ(reached[c], 1) << "column " << c;
  }
}

// Each range field's default passes its own rule, whatever the file and the unit.
TEST(EffectTable, DefaultsPassTheirRules) {
  const LaunchValues launches[] = {Launch(true, 16, 44100), Launch(false, 16, 44100),
                                   Launch(true, 8, 11025), Launch(false, 8, 8000)};
  for (const LaunchValues& l : launches)
    for (const EffectEntry& e : Effects()) {
      if (e.family != EffectFamily::Range) continue;
      SCOPED_TRACE(std::string(e.command) + (l.msMode ? " ms" : " samples"));
      const FieldValues defaults = DefaultValues(e, l);
      ASSERT_EQ(defaults.values.size(), e.fields.size());
      for (size_t i = 0; i < e.fields.size(); ++i) {
        const EffectField& f = e.fields[i];
        if (f.kind != FieldKind::Number) continue;
        ASSERT_TRUE(f.rule) << f.option;
        const RealField rule = f.rule(l);
        const std::optional<double> value = FieldValue(rule, rule.defaultText);
        ASSERT_TRUE(value) << f.option << " " << rule.defaultText;
        EXPECT_EQ(defaults[i], *value);
      }
    }
}

}  // namespace
}  // namespace tonemill
