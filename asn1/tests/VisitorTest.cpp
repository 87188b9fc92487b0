// The SEQUENCE walks of both visitor roots: which hooks run, in what order, with what.
#include "asn1/ASN1.h"
#include "asn1/ConstVisitor.h"
#include "asn1/tests/schema/TEST.h"
#include "asn1/Visitor.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

using namespace ASN1;

namespace {

// A reading visitor that records its hooks and answers each with a code set per hook.
class RecordingVisitor : public Visitor {
public:
    std::string calls;
    std::map<std::string, int> codes;  // hook name (with position) -> code; default GoOn

protected:
    bool do_visit(Null&) override { return note("Null"); }
    bool do_visit(BOOLEAN&) override { return note("BOOLEAN"); }
    bool do_visit(INTEGER&) override { return note("INTEGER"); }
    bool do_visit(ENUMERATED&) override { return note("ENUMERATED"); }
    bool do_visit(OBJECT_IDENTIFIER&) override { return note("OID"); }
    bool do_visit(OCTET_STRING&) override { return note("OCTETS"); }
    bool do_visit(BIT_STRING&) override { return note("BITS"); }
    bool do_visit(AbstractString&) override { return note("STRING"); }
    bool do_visit(BMPString&) override { return note("BMP"); }
    bool do_visit(CHOICE&) override { return note("CHOICE"); }
    bool do_visit(SEQUENCE_OF_Base&) override { return note("LIST"); }
    bool do_visit(OpenData&) override { return note("OPEN"); }
    bool do_revisit(OpenData&) override { return note("REOPEN"); }
    bool do_visit(TypeConstrainedOpenData&) override { return note("TCOPEN"); }
    bool do_visit(GeneralizedTime&) override { return note("TIME"); }

    int preVisitExtensionRoots(SEQUENCE&) override { return hook("pre"); }
    int visitExtensionRoot(SEQUENCE&, int pos, int opt) override {
        return hook("root" + std::to_string(pos) + "/" + std::to_string(opt));
    }
    int preVisitExtensions(SEQUENCE&) override { return hook("preExt"); }
    int visitKnownExtension(SEQUENCE&, int pos, int opt) override {
        return hook("ext" + std::to_string(pos) + "/" + std::to_string(opt));
    }
    bool visitUnknownExtensions(SEQUENCE&) override { return hook("unknown") != Fail; }

private:
    bool note(const char* what) {
        calls += std::string(what) + " ";
        return true;
    }
    int hook(const std::string& name) {
        calls += name + " ";
        auto it = codes.find(name);
        return it == codes.end() ? int(GoOn) : it->second;
    }
};

// A writing visitor that records its hooks; all succeed.
class RecordingConstVisitor : public ConstVisitor {
public:
    std::string calls;

protected:
    bool preVisitExtensionRoots(const SEQUENCE&) override { return note("pre"); }
    bool visitExtensionRoot(const SEQUENCE&, int pos) override {
        return note("root" + std::to_string(pos));
    }
    bool preVisitExtensions(const SEQUENCE&) override { return note("preExt"); }
    bool visitKnownExtension(const SEQUENCE&, int pos) override {
        return note("ext" + std::to_string(pos));
    }
    bool afterVisitSequence(const SEQUENCE&) override { return note("after"); }

private:
    bool note(const std::string& what) {
        calls += what + " ";
        return true;
    }
};

// Overrides nothing: the root's own answers.
class PlainConstVisitor : public ConstVisitor {};

}  // namespace

TEST(Visitor, ReadingWalkGoesWhereTheHooksSay) {
    const std::string all = "pre root0/-1 root1/0 root2/1 preExt ext3/2 ext4/3 ext5/4 unknown ";
    const struct {
        const char* hook;
        int code;
        std::string calls;
        bool result;
    } cases[] = {
        {"none", Visitor::GoOn, all, true},
        {"pre", Visitor::Done, "pre ", true},
        {"pre", Visitor::Fail, "pre ", false},
        // No extension additions follow: the root fields only.
        {"pre", Visitor::NoExtensions, "pre root0/-1 root1/0 root2/1 ", true},
        // A field answering 2 goes on like 3; 1 ends with success; 0 with failure.
        {"root1/0", Visitor::NoExtensions, all, true},
        {"root1/0", Visitor::Done, "pre root0/-1 root1/0 ", true},
        {"root0/-1", Visitor::Fail, "pre root0/-1 ", false},
        // In the extension part anything but 3 ends the walk.
        {"ext3/2", Visitor::NoExtensions, "pre root0/-1 root1/0 root2/1 preExt ext3/2 ", true},
        {"preExt", Visitor::Fail, "pre root0/-1 root1/0 root2/1 preExt ", false},
        {"unknown", Visitor::Fail, all, false},
    };
    for (const auto& c : cases) {
        TEST::Extended value;
        RecordingVisitor visitor;
        visitor.codes[c.hook] = c.code;
        EXPECT_EQ(c.result, value.accept(visitor)) << c.hook << " " << c.code;
        EXPECT_EQ(c.calls, visitor.calls) << c.hook << " " << c.code;
    }
}

TEST(Visitor, WritingWalkVisitsPresentFieldsOnly) {
    TEST::Extended value;
    RecordingConstVisitor visitor;
    EXPECT_TRUE(value.accept(visitor));
    EXPECT_EQ("pre root0 after ", visitor.calls);

    value.set_c("x");
    value.set_y(true);
    value.set_z({});
    visitor.calls.clear();
    EXPECT_TRUE(value.accept(visitor));
    EXPECT_EQ("pre root0 root2 preExt ext4 ext5 after ", visitor.calls);

    // Only an extensible type has an extension part.
    TEST::Pair pair;
    pair.extensionMap().resize(1);
    pair.extensionMap().set(0);
    visitor.calls.clear();
    EXPECT_TRUE(pair.accept(visitor));
    EXPECT_EQ("pre root1 after ", visitor.calls);
    // A field marked present that does not exist fails the walk.
    pair.optionalMap().set(0);
    EXPECT_FALSE(pair.accept(visitor));
}

TEST(Visitor, ConstVisitorDefaults) {
    PlainConstVisitor visitor;
    EXPECT_TRUE(INTEGER(1).accept(visitor));
    EXPECT_TRUE(TEST::Pick(TEST::Pick::flag::Id{}, true).accept(visitor));
    EXPECT_TRUE(SEQUENCE_OF<INTEGER>().accept(visitor));
    static const SequenceInfo noFields = {
        {&SEQUENCE::create, 0x10}, false, nullptr, nullptr, 0, 0, 0, nullptr, nullptr, nullptr};
    EXPECT_TRUE(SEQUENCE(&noFields).accept(visitor));
    EXPECT_FALSE(TEST::Extended().accept(visitor));  // a mandatory field
}

TEST(Visitor, NamedNumbersVisitAsIntegersUnlessHandled) {
    static const NameEntry entries[] = {{1, "one"}};
    static const NamedNumberInfo named = {
        {{&IntegerWithNamedNumber::create, 2}, Unconstrained, 0, 0xFFFFFFFFu}, entries, 1};
    IntegerWithNamedNumber one(1, &named);
    RecordingVisitor reader;
    EXPECT_TRUE(one.accept(reader));
    EXPECT_EQ("INTEGER ", reader.calls);

    struct IntegerCounter : ConstVisitor {
        int integers = 0;
        bool do_visit(const INTEGER&) override { return ++integers; }
    } counter;
    EXPECT_TRUE(one.accept(counter));
    EXPECT_EQ(1, counter.integers);
}
