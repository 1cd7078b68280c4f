#include "app/CommandLine.h"
#include "app/OutlineJson.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace tavilo;

TEST(CommandLine, AcceptsTheDocumentedSwitches)
{
    auto r = CommandLine::parse({ "--follow-diagnostics", "--screenshot", "/tmp/a.png", "--quit-after", "2.5" });
    ASSERT_TRUE(r.commandLine) << r.error;
    EXPECT_EQ(r.commandLine->action, CommandLine::Action::run);
    EXPECT_TRUE(r.commandLine->followDiagnostics);
    EXPECT_EQ(r.commandLine->screenshotPath, "/tmp/a.png");
    EXPECT_EQ(r.commandLine->quitAfterSeconds, 2.5);
    EXPECT_EQ(CommandLine::parse({ "--help" }).commandLine->action, CommandLine::Action::help);
    EXPECT_EQ(CommandLine::parse({ "--version" }).commandLine->action, CommandLine::Action::version);
    auto outline = CommandLine::parse({ "outline", "talk.txt" });
    EXPECT_EQ(outline.commandLine->action, CommandLine::Action::outline);
    EXPECT_EQ(outline.commandLine->outlineFile, "talk.txt");
    auto command = CommandLine::parse({ "--command", "scriptPrev" });
    EXPECT_EQ(command.commandLine->action, CommandLine::Action::command);
    EXPECT_EQ(command.commandLine->commandName, "scriptPrev");
}

TEST(CommandLine, BadArgumentsGiveOneLineErrors)
{
    const std::vector<std::vector<std::string>> bad { { "--screenshot" }, { "--quit-after" }, { "--quit-after", "soon" },
        { "--quit-after", "-1" }, { "--quit-after", "nan" }, { "--frobnicate" }, { "outline" }, { "outline", "a", "b" }, { "--command" }, { "--command", "StartPause" },
        { "extra" } };
    for (const auto& args : bad) {
        auto r = CommandLine::parse(args);
        EXPECT_FALSE(r.commandLine) << args[0];
        EXPECT_FALSE(r.error.empty());
        EXPECT_EQ(r.error.find('\n'), std::string::npos);
    }
}

TEST(OutlineJson, ShowsSectionsBudgetsAndTotal)
{
    const auto json = nlohmann::json::parse(outlineJson(CueScript::parse("Hi\n# A [1:30]\n> must\n>? maybe\n# B\nbody")));
    EXPECT_TRUE(json["hasStructure"]);
    EXPECT_EQ(json["spokenOnly"], "Hi\nbody");
    EXPECT_EQ(json["totalBudgetSeconds"], 90);
    ASSERT_EQ(json["sections"].size(), 3u);
    EXPECT_FALSE(json["sections"][0].contains("timeBudgetSeconds"));
    EXPECT_EQ(json["sections"][1]["timeBudgetSeconds"], 90);
    EXPECT_EQ(json["sections"][1]["materials"][1]["isOptional"], true);
    EXPECT_EQ(json["sections"][2]["spoken"], "body");
}
