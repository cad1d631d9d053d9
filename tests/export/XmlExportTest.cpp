#include "WalkTestSupport.h"
#include "fixtures/XmlExport.h"

#include <gtest/gtest.h>

using namespace artisanscope;
using namespace artisanscope::fixtures;
using namespace artisanscope::testing;

namespace {

// An element as parsed back: name, attributes in file order, children.
struct Node {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<Node> children;
    bool operator==(const Node&) const = default;
};

Node Parse(const TiXmlElement& element) {
    Node node{element.Value(), {}, {}};
    for (const TiXmlAttribute* a = element.FirstAttribute(); a != nullptr; a = a->Next()) {
        node.attributes.emplace_back(a->Name(), a->Value());
    }
    for (const TiXmlElement* child = element.FirstChildElement(); child != nullptr; child = child->NextSiblingElement()) {
        node.children.push_back(Parse(*child));
    }
    return node;
}

// Parses saved XML text with TinyXML's own parser and returns the root.
Node ParseSaved(const std::string& xml, std::string* declaration = nullptr) {
    TiXmlDocument document;
    document.Parse(xml.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    EXPECT_FALSE(document.Error()) << document.ErrorDesc();
    const TiXmlNode* first = document.FirstChild();
    if (declaration != nullptr && first != nullptr && first->ToDeclaration() != nullptr) {
        const TiXmlDeclaration* d = first->ToDeclaration();
        *declaration = std::string(d->Version()) + "|" + d->Encoding() + "|" + d->Standalone();
    }
    EXPECT_EQ(first->NextSibling(), document.RootElement()) << "declaration first, root second";
    EXPECT_EQ(document.RootElement()->NextSibling(), nullptr) << "root last";
    return Parse(*document.RootElement());
}

// The example recipe, and a skill without categories in Midgard.
TablePlan ExampleWithEmptySkill() {
    TablePlan plan = ExampleRecipe();
    plan.realms[1].skills = {{.name = "M-Skill"}};
    return plan;
}

using A = std::vector<std::pair<std::string, std::string>>;

}  // namespace

TEST(XmlExportTest, ExampleDocumentInBothModes) {
    for (const bool debug : {false, true}) {
        SCOPED_TRACE(debug);
        const LoadOutputs r = LoadTable(ExampleWithEmptySkill(), {.debug = debug, .text = false});
        std::string declaration;
        const Node root = ParseSaved(r.savedXml, &declaration);
        EXPECT_EQ(declaration, "1.0|iso-8859-1|");
        const A skill = debug ? A{{"name", "S"}, {"data1", "1"}, {"data2", "2"}, {"data3", "3"}} : A{{"name", "S"}};
        const A pattern = debug ? A{{"name", "P"}, {"skill", "150"}, {"data1", "4"}, {"data2", "5"}, {"data3", "6"},
                                    {"data5", "7"}}
                                : A{{"name", "P"}, {"skill", "150"}};
        const Node ingredient1{"Ingredient", {{"cat", "T"}, {"name", "Eisen"}, {"quantity", "2"}}, {}};
        const Node ingredient2{"Ingredient", {{"name", "U"}, {"quantity", "1"}}, {}};
        const Node expected{
            "Recipes",
            {},
            {Node{"Realm",
                  {{"name", "Albion"}},
                  {Node{"Skill", skill, {Node{"Item", {{"name", "K"}}, {Node{"Pattern", pattern, {ingredient1, ingredient2}}}}}}}},
             Node{"Realm", {{"name", "Midgard"}}, {Node{"Skill", debug ? A{{"name", "M-Skill"}, {"data1", "0"}, {"data2", "0"}, {"data3", "0"}} : A{{"name", "M-Skill"}}, {}}}},
             Node{"Realm", {{"name", "Hibernia"}}, {}}}};
        EXPECT_EQ(root, expected);
        EXPECT_EQ(r.savedXml.find("lvl"), std::string::npos);
    }
}

// TinyXML's own rendering: declaration line, four spaces per level, empty
// elements in short form, LF line ends, no byte-order mark.
TEST(XmlExportTest, SavedFileShape) {
    const LoadOutputs r = LoadTable(ExampleWithEmptySkill(), {.text = false});
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\n"
        "<Recipes>\n"
        "    <Realm name=\"Albion\">\n"
        "        <Skill name=\"S\">\n"
        "            <Item name=\"K\">\n"
        "                <Pattern name=\"P\" skill=\"150\">\n"
        "                    <Ingredient cat=\"T\" name=\"Eisen\" quantity=\"2\" />\n"
        "                    <Ingredient name=\"U\" quantity=\"1\" />\n"
        "                </Pattern>\n"
        "            </Item>\n"
        "        </Skill>\n"
        "    </Realm>\n"
        "    <Realm name=\"Midgard\">\n"
        "        <Skill name=\"M-Skill\" />\n"
        "    </Realm>\n"
        "    <Realm name=\"Hibernia\" />\n"
        "</Recipes>\n";
    EXPECT_EQ(r.savedXml, expected);
}

TEST(XmlExportTest, MarkupInNamesIsEscapedAndReadBack) {
    TablePlan plan = ExampleWithEmptySkill();
    plan.realms[0].skills[0].name = "a<b>&\"c'\x01";
    const LoadOutputs r = LoadTable(plan, {.text = false});
    const Node root = ParseSaved(r.savedXml);
    EXPECT_EQ(root.children[0].children[0].attributes[0].second, "a<b>&\"c'\x01");
}

TEST(XmlExportTest, SaveReplacesAtomically) {
    TempDir dir;
    TiXmlDocument document;
    BeginXmlDocument(document);
    fixtures::WriteFile(dir / "out.xml", {'o', 'l', 'd'});
    EXPECT_TRUE(SaveXmlDocument(document, dir / "out.xml"));
    EXPECT_EQ(ReadText(dir / "out.xml"), "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\n<Recipes />\n");
    // A save that cannot happen leaves nothing behind.
    EXPECT_FALSE(SaveXmlDocument(document, dir / "missing/out.xml"));
    std::filesystem::create_directory(dir / "taken.xml");
    EXPECT_FALSE(SaveXmlDocument(document, dir / "taken.xml"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.xml"));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 2u) << "no temporary file stays behind";
}
