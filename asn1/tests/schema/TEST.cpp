#include "asn1/tests/schema/TEST.h"

namespace TEST {

typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 7> INTEGER_0_7;
typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023> INTEGER_0_1023;

// Pick
__constinit const void* const Pick::selectionInfos[3] = {
    &ASN1::BOOLEAN::theInfo, &INTEGER_0_7::theInfo, &ASN1::Null::theInfo};
__constinit const char* const Pick::selectionNames[3] = {"flag", "number", "nothing"};
__constinit const Pick::InfoType Pick::theInfo = {
    {&ASN1::CHOICE::create, 0}, false, selectionInfos, 3, 3, nullptr, selectionNames};
Pick::~Pick() = default;

// PickExt
__constinit const void* const PickExt::selectionInfos[3] = {
    &ASN1::BOOLEAN::theInfo, &INTEGER_0_7::theInfo, &ASN1::Null::theInfo};
__constinit const char* const PickExt::selectionNames[3] = {"flag", "number", "nothing"};
__constinit const PickExt::InfoType PickExt::theInfo = {
    {&ASN1::CHOICE::create, 0}, true, selectionInfos, 3, 3, nullptr, selectionNames};
PickExt::~PickExt() = default;

// Pair
__constinit const void* const Pair::fieldInfos[2] = {&INTEGER_0_1023::theInfo, &Pick::theInfo};
__constinit const int Pair::fieldIds[2] = {0, -1};
__constinit const char* const Pair::fieldNames[2] = {"first", "second"};
__constinit const Pair::InfoType Pair::theInfo = {{&ASN1::SEQUENCE::create, 0x10},
                                                  false,
                                                  fieldInfos,
                                                  fieldIds,
                                                  2,
                                                  0,
                                                  1,
                                                  nullptr,
                                                  nullptr,
                                                  fieldNames};
Pair::~Pair() = default;

// PairExt
__constinit const void* const PairExt::fieldInfos[2] = {&INTEGER_0_1023::theInfo, &Pick::theInfo};
__constinit const int PairExt::fieldIds[2] = {0, -1};
__constinit const char* const PairExt::fieldNames[2] = {"first", "second"};
__constinit const PairExt::InfoType PairExt::theInfo = {{&ASN1::SEQUENCE::create, 0x10},
                                                        true,
                                                        fieldInfos,
                                                        fieldIds,
                                                        2,
                                                        0,
                                                        1,
                                                        nullptr,
                                                        nullptr,
                                                        fieldNames};
PairExt::~PairExt() = default;

// PairOfPickExt
__constinit const void* const PairOfPickExt::fieldInfos[2] = {&INTEGER_0_1023::theInfo,
                                                              &PickExt::theInfo};
__constinit const int PairOfPickExt::fieldIds[2] = {0, -1};
__constinit const char* const PairOfPickExt::fieldNames[2] = {"first", "second"};
__constinit const PairOfPickExt::InfoType PairOfPickExt::theInfo = {{&ASN1::SEQUENCE::create, 0x10},
                                                                    false,
                                                                    fieldInfos,
                                                                    fieldIds,
                                                                    2,
                                                                    0,
                                                                    1,
                                                                    nullptr,
                                                                    nullptr,
                                                                    fieldNames};
PairOfPickExt::~PairOfPickExt() = default;

// State
__constinit const char* const State_enum_names__[2] = {"idle", "busy"};
static __constinit const int State_enum_numbers__[2] = {0, 1};
__constinit const State::InfoType State::theInfo = {
    {&ASN1::ENUMERATED::create, 10}, false, 1, State_enum_names__, 2, State_enum_numbers__};
State::~State() = default;

// Data
__constinit const void* const Data::fieldInfos[2] = {&ASN1::OCTET_STRING::theInfo,
                                                     &ASN1::BIT_STRING::theInfo};
__constinit const int Data::fieldIds[2] = {-1, -1};
__constinit const char* const Data::fieldNames[2] = {"octets", "flags"};
__constinit const Data::InfoType Data::theInfo = {{&ASN1::SEQUENCE::create, 0x10},
                                                  false,
                                                  fieldInfos,
                                                  fieldIds,
                                                  2,
                                                  0,
                                                  0,
                                                  nullptr,
                                                  nullptr,
                                                  fieldNames};
Data::~Data() = default;

// Body
__constinit const void* const Body::selectionInfos[2] = {&ASN1::Null::theInfo, &Data::theInfo};
__constinit const char* const Body::selectionNames[2] = {"none", "data"};
__constinit const Body::InfoType Body::theInfo = {
    {&ASN1::CHOICE::create, 0}, false, selectionInfos, 2, 2, nullptr, selectionNames};
Body::~Body() = default;

// Record
__constinit const void* const Record::fieldInfos[5] = {
    &ASN1::INTEGER::theInfo, &ASN1::IA5String::theInfo, &State::theInfo, &Body::theInfo,
    &ASN1::SEQUENCE_OF<ASN1::INTEGER>::theInfo};
__constinit const int Record::fieldIds[5] = {-1, 0, -1, -1, -1};
__constinit const char* const Record::fieldNames[5] = {"id", "label", "state", "body", "items"};
__constinit const Record::InfoType Record::theInfo = {{&ASN1::SEQUENCE::create, 0x10},
                                                      false,
                                                      fieldInfos,
                                                      fieldIds,
                                                      5,
                                                      0,
                                                      1,
                                                      nullptr,
                                                      nullptr,
                                                      fieldNames};
Record::~Record() = default;

// Standby: explicitly numbered items carry their number in their text.
__constinit const char* const Standby_enum_names__[6] = {"not-use=-1", "idle=0",  "learn=1",
                                                         "listen=2",   "speak=4", "top=9"};
static __constinit const int Standby_enum_numbers__[6] = {-1, 0, 1, 2, 4, 9};
__constinit const Standby::InfoType Standby::theInfo = {
    {&ASN1::ENUMERATED::create, 10}, false, 9, Standby_enum_names__, 6, Standby_enum_numbers__};
Standby::~Standby() = default;

// Extended
__constinit const void* const Extended::fieldInfos[6] = {
    &ASN1::INTEGER::theInfo, &ASN1::BOOLEAN::theInfo, &ASN1::IA5String::theInfo,
    &ASN1::INTEGER::theInfo, &ASN1::BOOLEAN::theInfo, &ASN1::OCTET_STRING::theInfo};
__constinit const int Extended::fieldIds[6] = {-1, 0, 1, 0, 0, 0};
__constinit const char* const Extended::fieldNames[6] = {"a", "b", "c", "x", "y", "z"};
__constinit const Extended::InfoType Extended::theInfo = {{&ASN1::SEQUENCE::create, 0x10},
                                                          true,
                                                          fieldInfos,
                                                          fieldIds,
                                                          3,
                                                          3,
                                                          2,
                                                          nullptr,
                                                          nullptr,
                                                          fieldNames};
Extended::~Extended() = default;

}  // namespace TEST
