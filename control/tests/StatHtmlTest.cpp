#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "control/StatHtml.h"
#include "tests/support/StreamCapture.h"

namespace {

// Values, sub-objects and lists by name. An iteration claims to stand on an
// element until next() says that none follows: only next() ends it.
struct Node : Stat::Object {
    struct Walk : Stat::IteratorBase {
        explicit Walk(const std::vector<Node>& l) : list(l) {}
        bool valid() override { return !list.empty(); }
        bool next() override { return ++i < list.size(); }
        Stat::Object* object() override { return const_cast<Node*>(&list[i]); }
        const std::vector<Node>& list;
        size_t i = 0;
    };

    Node(std::initializer_list<std::pair<const std::string, std::string>> v = {}) : values(v) {}
    Stat::Value statistics_value(const std::string& name) const override {
        return values.count(name) ? Stat::Value(values.at(name)) : Stat::Value();
    }
    Stat::Object* statistics_object(const std::string& name) const override {
        return objects.count(name) ? const_cast<Node*>(&objects.at(name)) : nullptr;
    }
    std::unique_ptr<Stat::IteratorBase> statistics_iterator(
        const std::string& name) const override {
        if (!lists.count(name)) return nullptr;
        return std::make_unique<Walk>(lists.at(name));
    }

    std::map<std::string, std::string> values;
    std::map<std::string, Node> objects;
    std::map<std::string, std::vector<Node>> lists;
};

}  // namespace

TEST(StatHtml, PagesForAFixedTree) {
    Node root({{"t", "Stats"}});
    root.objects = {{"link", Node({{"s", "up"}})}, {"a-b", Node({{"s", "hy"}})}};
    root.lists = {{"rows", {Node({{"v", "1"}}), Node({{"v", "2"}}), Node({{"v", "3"}})}},
                  {"none", {}}};
    const std::pair<const char*, const char*> rows[] = {
        {"%t%: %missing% 100%% <a href=\"%t%\">", "Stats: %missing% 100%% <a href=\"%t%\">"},
        {"<!--GEN.rows-->[%v% of %t%]<!--GEN.end-->!", "[1 of Stats][2 of Stats][3 of Stats]!"},
        {"<!--GEN.none-->x<!--GEN.end-->y", "y"},
        {"<!--GEN.nowhere-->x<!--GEN.rows-->%v%<!--GEN.end-->z<!--GEN.end-->y", "y"},
        {"<!--GEN.link-->%s% %t%<!--GEN.end--> <!--GEN.a-b-->%s%<!--GEN.end-->", "up Stats hy"},
        {"<!-- note > %t%<!--GEN.link--junk>-%s%<!--GEN.end-->", "<!-- note > Stats-up"},
        {"a<!--GEN.end-->b", "a"},
        {"a<!--GEN.ro", "a<!--GEN.ro"},
        {"<p>load 50%</p>", "<p>load 50%</p>"},
        {"<!--GEN.rows-->%v%", "1"},
    };
    for (const auto& [page, expected] : rows) {
        std::istringstream in(page);
        std::ostringstream out;
        EXPECT_TRUE(Stat::Html::generateV1(root, out, in)) << page;
        EXPECT_EQ(expected, out.str()) << page;
    }

    // Repeating a section needs a template that can be read again.
    struct Pipe : std::streambuf {
        explicit Pipe(std::string t) : text(std::move(t)) {
            setg(&text[0], &text[0], &text[0] + text.size());
        }
        std::string text;
    } pipe("<!--GEN.rows-->%v%<!--GEN.end-->");
    std::istream in(&pipe);
    std::ostringstream out;
    TestSupport::StreamCapture errors(std::cerr);
    EXPECT_FALSE(Stat::Html::generateV1(root, out, in));
    EXPECT_EQ("1", out.str());
    // Nesting is bounded: the page stops before the stack does.
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<!--GEN.x-->";
    std::istringstream nested(deep);
    EXPECT_FALSE(Stat::Html::generateV1(root, out, nested));
    EXPECT_EQ(
        "Stat::Html: the template cannot be read again, section rows is not repeated\n"
        "Stat::Html: sections nested deeper than 256, the page stops there\n",
        errors.str());
}

TEST(StatHtml, ValueIsTakenFromTheInnermostObjectThatHasIt) {
    Node root({{"v", "root"}, {"t", "top"}});
    Node link({{"v", "link"}});
    link.lists = {{"rows", {Node({{"v", "1"}}), Node(), Node({{"v", "3"}})}}};
    root.objects = {{"link", link}};
    std::istringstream in(
        "<!--GEN.link--><!--GEN.rows-->%v%/%t% <!--GEN.end-->%v%<!--GEN.end-->%v%");
    std::ostringstream out;
    EXPECT_TRUE(Stat::Html::generateV1(root, out, in));
    EXPECT_EQ("1/top link/top 3/top linkroot", out.str());
}
