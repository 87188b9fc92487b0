// CHOICE, SEQUENCE, SEQUENCE OF and open types, and the typed views over them.
#include "asn1/ASN1.h"
#include "asn1/tests/schema/LGCP.h"
#include "asn1/tests/schema/TEST.h"

#include <gtest/gtest.h>
#include <memory>
#include <sstream>

using namespace ASN1;

namespace {

// Built while static objects are constructed: the records it reads from other units must
// already be complete, which only constant initialisation guarantees.
std::string builtBeforeMain() {
    LGCP::Message message;
    message.set_slot(5);
    LGCP::RtpParams params;
    params.set_streams(ASN1::SEQUENCE_OF<LGCP::Stream>());
    return message.asValueNotation() + params.asValueNotation();
}
const std::string earlyText = builtBeforeMain();

}  // namespace

TEST(Constructed, RecordsAreCompleteBeforeMain) {
    EXPECT_NE(std::string::npos, earlyText.find("slot 5"));
    EXPECT_NE(std::string::npos, earlyText.find("streams {"));
}

TEST(Constructed, OptionalFieldsKeepTheirSlot) {
    LGCP::Message message;
    EXPECT_EQ(nullptr, message.getField(0));
    EXPECT_EQ(nullptr, message.getField(1));
    ASSERT_NE(nullptr, message.getField(2));
    message.set_seq(42);
    message.set_slot(17);
    message.omit_slot();
    EXPECT_FALSE(message.slot_isPresent());
    EXPECT_TRUE(message.optionalMap()[0]);
    EXPECT_FALSE(message.optionalMap()[1]);
    message.includeOptionalField(1, 1);  // the value stayed in its slot
    EXPECT_EQ(17u, message.get_slot().getValue());
}

TEST(Constructed, ExtensionAdditionsAreNumberedAfterTheOptionalRootFields) {
    TEST::Extended value;
    EXPECT_EQ(0u, value.extensionMap().size());
    value.includeOptionalField(2 + 2, 3 + 2);
    EXPECT_EQ(3u, value.extensionMap().size());
    EXPECT_FALSE(value.hasOptionalField(2));
    EXPECT_FALSE(value.hasOptionalField(3));
    EXPECT_TRUE(value.hasOptionalField(4));
    EXPECT_TRUE(value.z_isPresent());
    EXPECT_NE(nullptr, value.getField(5));
    EXPECT_EQ(nullptr, value.getField(3));
    EXPECT_FALSE(value.hasOptionalField(5));
    EXPECT_FALSE(value.hasOptionalField(1000));
    value.removeOptionalField(1000);  // beyond both maps: nothing

    // The first differing field decides, root or addition.
    TEST::Extended left, right;
    left.set_x(1);
    right.set_x(2);
    left.set_z({char(9)});
    right.set_z({char(1)});
    EXPECT_LT(left.compare(right), 0);
    right.set_x(1);
    EXPECT_GT(left.compare(right), 0);
    left.omit_z();
    EXPECT_LT(left.compare(right), 0);
}

TEST(Constructed, ChoiceSelectionStates) {
    TEST::Pick pick;
    EXPECT_EQ(-1, pick.currentSelection());
    pick.select_number(6);
    AbstractData* selected = pick.getSelection();
    EXPECT_TRUE(pick.select(1));
    EXPECT_EQ(selected, pick.getSelection());
    EXPECT_EQ(6u, pick.get_number().getValue());
    EXPECT_STREQ("number", pick.getSelectionName());

    EXPECT_FALSE(pick.select(3));
    EXPECT_EQ(-2, pick.currentSelection());
    EXPECT_TRUE(pick.isUnknownSelection());
    EXPECT_EQ(nullptr, pick.getSelection());

    TEST::Pick unselected, other, unknown;
    unknown.select(7);
    other.select_nothing();
    EXPECT_EQ(0, TEST::Pick().compare(unselected));
    EXPECT_EQ(-3, unselected.compare(other));
    EXPECT_EQ(0, pick.compare(unknown));
    EXPECT_EQ(-1, unknown.compare(unselected));
    EXPECT_EQ(0x800002u, other.getSelectionTag());
}

TEST(Constructed, CopiesAreDeep) {
    TEST::Record record;
    record.set_id(5);
    record.set_items().push_back(INTEGER(1));
    record.set_items().push_back(INTEGER(2));
    record.set_body().select_data().set_octets({char(0x0A)});

    TEST::Record copy(record);
    EXPECT_EQ(0, copy.compare(record));
    copy.set_items()[0] = 10;
    copy.set_items().erase(copy.set_items().begin() + 1);
    static_cast<TEST::Body&>(copy.set_body()).select_none();
    EXPECT_EQ(2u, record.get_items().size());
    EXPECT_EQ(1, record.get_items()[0].getValue());
    EXPECT_TRUE(record.get_body().data_isSelected());

    std::unique_ptr<SEQUENCE> clone(record.clone());
    EXPECT_EQ(record.info(), clone->info());
    // Assignment replaces every field and keeps the target's record.
    copy = record;
    EXPECT_EQ(0, copy.compare(record));
    TEST::Pick pick(TEST::Pick::flag::Id{}, true), target;
    target = pick;
    pick.select_nothing();
    EXPECT_TRUE(target.get_flag());
}

TEST(Constructed, SequenceOfOwnsItsElements) {
    SEQUENCE_OF<INTEGER> list, prefix, empty;
    for (int v : {1, 2}) list.push_back(INTEGER(v));
    prefix.push_back(INTEGER(1));
    EXPECT_EQ(1, list.compare(prefix));
    EXPECT_EQ(-1, prefix.compare(list));
    EXPECT_EQ(0, empty.compare(SEQUENCE_OF<INTEGER>()));

    list.resize(4);
    EXPECT_EQ(0, list[3].getValue());
    list.resize(1);
    const auto next = list.erase(list.begin());
    EXPECT_EQ(list.end(), next);
    EXPECT_TRUE(list.empty());

    list.insert(list.SEQUENCE_OF_Base::end(), 2, INTEGER(7));
    list.insert(list.SEQUENCE_OF_Base::begin(), prefix.SEQUENCE_OF_Base::begin(),
                prefix.SEQUENCE_OF_Base::end());
    int sum = 0;
    for (const INTEGER& v : static_cast<const SEQUENCE_OF<INTEGER>&>(list))
        sum = sum * 10 + v.getValue();
    EXPECT_EQ(177, sum);

    list = prefix;  // the elements held before are deleted
    EXPECT_EQ(0, list.compare(prefix));
    std::unique_ptr<AbstractData> element(list.createElement());
    EXPECT_EQ(&INTEGER::theInfo, element->info());
}

TEST(Constructed, OpenTypesCompareTypedBeforeRaw) {
    OpenData typed(new INTEGER(3)), raw, empty;
    raw.grab(new std::vector<char>(2, 'x'));
    EXPECT_EQ(1, typed.compare(raw));
    EXPECT_EQ(-1, raw.compare(typed));
    EXPECT_EQ(-1, raw.compare(empty));
    EXPECT_EQ(-1, empty.compare(raw));
    EXPECT_EQ(0, empty.compare(OpenData()));

    OpenData copy(typed);
    static_cast<INTEGER&>(copy.get_data()) = 4;
    EXPECT_EQ(3, static_cast<const INTEGER&>(typed.get_data()).getValue());
    OpenData rawCopy(raw);
    rawCopy.get_buf()[0] = 'y';
    EXPECT_EQ('x', raw.get_buf()[0]);

    static const TypeConstrainedOpenDataInfo ofBoolean = {{&TypeConstrainedOpenData::create, 0},
                                                          &BOOLEAN::theInfo};
    std::unique_ptr<AbstractData> contained(AbstractData::create(&ofBoolean));
    OpenData* open = dynamic_cast<TypeConstrainedOpenData*>(contained.get());
    ASSERT_NE(nullptr, open);
    ASSERT_TRUE(open->has_data());
    EXPECT_EQ(&BOOLEAN::theInfo, open->get_data().info());
}
