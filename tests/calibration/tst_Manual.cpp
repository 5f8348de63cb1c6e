// The operator's manual: every link inside it leads somewhere, it needs nothing from outside,
// and the copy the help window opens is the current one.
#include "FileText.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::string> AttributeValues(const std::string& html, const std::string& attribute)
{
    const std::regex pattern("\\b" + attribute + "\\s*=\\s*\"([^\"]*)\"", std::regex::icase);
    std::vector<std::string> values;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), pattern); it != std::sregex_iterator(); ++it) {
        values.push_back((*it)[1].str());
    }
    return values;
}

class Manual : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(html.empty()) << "cannot read " << QUORVEX_MANUAL_SOURCE; }

    const std::string html = FileText(QUORVEX_MANUAL_SOURCE);
};

TEST_F(Manual, EveryLinkLeadsToAnAnchorInsideIt)
{
    std::map<std::string, int> anchors;
    for (const char* attribute : {"id", "name"}) {
        for (const std::string& anchor : AttributeValues(html, attribute)) {
            ++anchors[anchor];
        }
    }
    for (const auto& [anchor, count] : anchors) {
        EXPECT_EQ(count, 1) << "anchor '" << anchor << "' is defined " << count << " times";
    }
    const std::vector<std::string> links = AttributeValues(html, "href");
    EXPECT_GE(links.size(), 10u);
    for (const std::string& link : links) {
        ASSERT_FALSE(link.empty());
        EXPECT_EQ(link[0], '#') << "link to '" << link << "' leaves the manual";
        EXPECT_TRUE(anchors.count(link.substr(1)) == 1) << "link '" << link << "' has no anchor";
    }
}

TEST_F(Manual, ContentsListEverySection)
{
    const std::regex section("<h2[^>]*>\\s*<a\\s+name\\s*=\\s*\"([^\"]+)\"", std::regex::icase);
    std::set<std::string> targets;
    for (const std::string& link : AttributeValues(html, "href")) {
        targets.insert(link.substr(link.find('#') + 1));
    }
    int sections = 0;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), section); it != std::sregex_iterator(); ++it) {
        ++sections;
        EXPECT_TRUE(targets.count((*it)[1].str()) == 1) << "section '" << (*it)[1] << "' is not in the contents";
    }
    EXPECT_GE(sections, 9);
    // The help window opens the manual at its top: the contents.
    EXPECT_LT(html.find("name=\"contents\""), html.find("<h2"));
}

TEST_F(Manual, NeedsNothingFromOutside)
{
    EXPECT_TRUE(AttributeValues(html, "src").empty());
    EXPECT_EQ(html.find("<link"), std::string::npos);
    EXPECT_EQ(html.find("url("), std::string::npos);
}

TEST_F(Manual, TheCopyBesideTheProgramIsCurrent)
{
    EXPECT_EQ(FileText(QUORVEX_MANUAL_BESIDE_PROGRAM), html);
}

}  // namespace
