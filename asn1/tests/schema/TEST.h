// The TEST module of TEST.asn: small types that exercise the ASN.1 runtime, written in
// the form of a generated module (typed views over the runtime classes, constant records).
#pragma once

#include "asn1/ASN1.h"

#include <string>
#include <vector>

namespace TEST {

class Pair;
class Pick;
class PairExt;
class PickExt;
class PairOfPickExt;
class Record;
class State;
class Body;
class Data;
class Standby;
class Extended;

class Pick : public ASN1::CHOICE {
public:
    struct flag {
        typedef ASN1::BOOLEAN value_type;
        enum Id { id_ = 0 };
    };
    struct number {
        typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 7> value_type;
        enum Id { id_ = 1 };
    };
    struct nothing {
        typedef ASN1::Null value_type;
        enum Id { id_ = 2 };
    };

    Pick() : CHOICE(&theInfo) {}
    Pick(flag::Id, bool v) : CHOICE(&theInfo, flag::id_, new flag::value_type(v)) {}
    Pick(number::Id, unsigned v) : CHOICE(&theInfo, number::id_, new number::value_type(v)) {}
    Pick(nothing::Id, const ASN1::Null& v)
        : CHOICE(&theInfo, nothing::id_, new nothing::value_type(v)) {}
    ~Pick() override;
    Pick* clone() const { return static_cast<Pick*>(CHOICE::clone()); }

    const flag::value_type& get_flag() const {
        return selectionAs<flag::value_type>(flag::id_, "flag");
    }
    flag::value_type& select_flag() {
        return static_cast<flag::value_type&>(
            *setSelection(flag::id_, AbstractData::create(selectionInfos[flag::id_])));
    }
    flag::value_type& select_flag(bool v) { return select_flag() = v; }
    bool flag_isSelected() const { return currentSelection() == flag::id_; }

    const number::value_type& get_number() const {
        return selectionAs<number::value_type>(number::id_, "number");
    }
    number::value_type& select_number() {
        return static_cast<number::value_type&>(
            *setSelection(number::id_, AbstractData::create(selectionInfos[number::id_])));
    }
    number::value_type& select_number(unsigned v) { return select_number() = v; }
    bool number_isSelected() const { return currentSelection() == number::id_; }

    const nothing::value_type& get_nothing() const {
        return selectionAs<nothing::value_type>(nothing::id_, "nothing");
    }
    nothing::value_type& select_nothing() {
        return static_cast<nothing::value_type&>(
            *setSelection(nothing::id_, AbstractData::create(selectionInfos[nothing::id_])));
    }
    bool nothing_isSelected() const { return currentSelection() == nothing::id_; }

    static const InfoType theInfo;
    static const void* const selectionInfos[3];
    static const char* const selectionNames[3];
};

// PickExt has Pick's alternatives and an extension marker.
class PickExt : public ASN1::CHOICE {
public:
    struct flag {
        typedef ASN1::BOOLEAN value_type;
        enum Id { id_ = 0 };
    };
    struct number {
        typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 7> value_type;
        enum Id { id_ = 1 };
    };
    struct nothing {
        typedef ASN1::Null value_type;
        enum Id { id_ = 2 };
    };

    PickExt() : CHOICE(&theInfo) {}
    PickExt(flag::Id, bool v) : CHOICE(&theInfo, flag::id_, new flag::value_type(v)) {}
    PickExt(number::Id, unsigned v) : CHOICE(&theInfo, number::id_, new number::value_type(v)) {}
    PickExt(nothing::Id, const ASN1::Null& v)
        : CHOICE(&theInfo, nothing::id_, new nothing::value_type(v)) {}
    ~PickExt() override;
    PickExt* clone() const { return static_cast<PickExt*>(CHOICE::clone()); }

    const flag::value_type& get_flag() const {
        return selectionAs<flag::value_type>(flag::id_, "flag");
    }
    flag::value_type& select_flag() {
        return static_cast<flag::value_type&>(
            *setSelection(flag::id_, AbstractData::create(selectionInfos[flag::id_])));
    }
    flag::value_type& select_flag(bool v) { return select_flag() = v; }
    bool flag_isSelected() const { return currentSelection() == flag::id_; }

    const number::value_type& get_number() const {
        return selectionAs<number::value_type>(number::id_, "number");
    }
    number::value_type& select_number() {
        return static_cast<number::value_type&>(
            *setSelection(number::id_, AbstractData::create(selectionInfos[number::id_])));
    }
    number::value_type& select_number(unsigned v) { return select_number() = v; }
    bool number_isSelected() const { return currentSelection() == number::id_; }

    const nothing::value_type& get_nothing() const {
        return selectionAs<nothing::value_type>(nothing::id_, "nothing");
    }
    nothing::value_type& select_nothing() {
        return static_cast<nothing::value_type&>(
            *setSelection(nothing::id_, AbstractData::create(selectionInfos[nothing::id_])));
    }
    bool nothing_isSelected() const { return currentSelection() == nothing::id_; }

    static const InfoType theInfo;
    static const void* const selectionInfos[3];
    static const char* const selectionNames[3];
};

class Pair : public ASN1::SEQUENCE {
public:
    struct first {
        typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023> value_type;
    };
    struct second {
        typedef Pick value_type;
    };

    Pair() : SEQUENCE(&theInfo) {}
    ~Pair() override;
    Pair* clone() const { return static_cast<Pair*>(SEQUENCE::clone()); }

    const first::value_type& get_first() const { return optionalFieldAs<first::value_type>(0, 0); }
    void set_first(unsigned v) { static_cast<first::value_type&>(*includeOptionalField(0, 0)) = v; }
    void omit_first() { removeOptionalField(0); }
    bool first_isPresent() const { return hasOptionalField(0); }

    const second::value_type& get_second() const {
        return static_cast<const second::value_type&>(*getField(1));
    }
    second::value_type& set_second() { return static_cast<second::value_type&>(*getField(1)); }
    void set_second(const second::value_type& v) { set_second() = v; }

    static const InfoType theInfo;
    static const void* const fieldInfos[2];
    static const int fieldIds[2];
    static const char* const fieldNames[2];
};

// PairExt has Pair's fields and an extension marker.
class PairExt : public ASN1::SEQUENCE {
public:
    struct first {
        typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023> value_type;
    };
    struct second {
        typedef Pick value_type;
    };

    PairExt() : SEQUENCE(&theInfo) {}
    ~PairExt() override;
    PairExt* clone() const { return static_cast<PairExt*>(SEQUENCE::clone()); }

    const first::value_type& get_first() const { return optionalFieldAs<first::value_type>(0, 0); }
    void set_first(unsigned v) { static_cast<first::value_type&>(*includeOptionalField(0, 0)) = v; }
    void omit_first() { removeOptionalField(0); }
    bool first_isPresent() const { return hasOptionalField(0); }

    const second::value_type& get_second() const {
        return static_cast<const second::value_type&>(*getField(1));
    }
    second::value_type& set_second() { return static_cast<second::value_type&>(*getField(1)); }
    void set_second(const second::value_type& v) { set_second() = v; }

    static const InfoType theInfo;
    static const void* const fieldInfos[2];
    static const int fieldIds[2];
    static const char* const fieldNames[2];
};

class PairOfPickExt : public ASN1::SEQUENCE {
public:
    struct first {
        typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023> value_type;
    };
    struct second {
        typedef PickExt value_type;
    };

    PairOfPickExt() : SEQUENCE(&theInfo) {}
    ~PairOfPickExt() override;
    PairOfPickExt* clone() const { return static_cast<PairOfPickExt*>(SEQUENCE::clone()); }

    const first::value_type& get_first() const { return optionalFieldAs<first::value_type>(0, 0); }
    void set_first(unsigned v) { static_cast<first::value_type&>(*includeOptionalField(0, 0)) = v; }
    void omit_first() { removeOptionalField(0); }
    bool first_isPresent() const { return hasOptionalField(0); }

    const second::value_type& get_second() const {
        return static_cast<const second::value_type&>(*getField(1));
    }
    second::value_type& set_second() { return static_cast<second::value_type&>(*getField(1)); }
    void set_second(const second::value_type& v) { set_second() = v; }

    static const InfoType theInfo;
    static const void* const fieldInfos[2];
    static const int fieldIds[2];
    static const char* const fieldNames[2];
};

class State : public ASN1::ENUMERATED {
public:
    enum NamedNumber : int { idle = 0, busy = 1 };

    State() : ENUMERATED(&theInfo) {}
    State(NamedNumber n) : ENUMERATED(n, &theInfo) {}
    ~State() override;
    State* clone() const { return static_cast<State*>(ENUMERATED::clone()); }

    State& operator=(NamedNumber n) {
        setFromInt(n);
        return *this;
    }
    operator NamedNumber() const { return NamedNumber(asInt()); }

    void set_idle() { setFromInt(idle); }
    bool is_idle() const { return asInt() == idle; }
    void set_busy() { setFromInt(busy); }
    bool is_busy() const { return asInt() == busy; }

    static const InfoType theInfo;
};

extern const char* const State_enum_names__[2];

class Data : public ASN1::SEQUENCE {
public:
    struct octets {
        typedef ASN1::OCTET_STRING value_type;
    };
    struct flags {
        typedef ASN1::BIT_STRING value_type;
    };

    Data() : SEQUENCE(&theInfo) {}
    ~Data() override;
    Data* clone() const { return static_cast<Data*>(SEQUENCE::clone()); }

    const octets::value_type& get_octets() const {
        return static_cast<const octets::value_type&>(*getField(0));
    }
    octets::value_type& set_octets() { return static_cast<octets::value_type&>(*getField(0)); }
    void set_octets(const std::vector<char>& v) { set_octets() = v; }

    const flags::value_type& get_flags() const {
        return static_cast<const flags::value_type&>(*getField(1));
    }
    flags::value_type& set_flags() { return static_cast<flags::value_type&>(*getField(1)); }
    void set_flags(const flags::value_type& v) { set_flags() = v; }

    static const InfoType theInfo;
    static const void* const fieldInfos[2];
    static const int fieldIds[2];
    static const char* const fieldNames[2];
};

class Body : public ASN1::CHOICE {
public:
    struct none {
        typedef ASN1::Null value_type;
        enum Id { id_ = 0 };
    };
    struct data {
        typedef Data value_type;
        enum Id { id_ = 1 };
    };

    Body() : CHOICE(&theInfo) {}
    Body(none::Id, const ASN1::Null& v) : CHOICE(&theInfo, none::id_, new none::value_type(v)) {}
    Body(data::Id, const Data& v) : CHOICE(&theInfo, data::id_, new data::value_type(v)) {}
    ~Body() override;
    Body* clone() const { return static_cast<Body*>(CHOICE::clone()); }

    const none::value_type& get_none() const {
        return selectionAs<none::value_type>(none::id_, "none");
    }
    none::value_type& select_none() {
        return static_cast<none::value_type&>(
            *setSelection(none::id_, AbstractData::create(selectionInfos[none::id_])));
    }
    bool none_isSelected() const { return currentSelection() == none::id_; }

    const data::value_type& get_data() const {
        return selectionAs<data::value_type>(data::id_, "data");
    }
    data::value_type& select_data() {
        return static_cast<data::value_type&>(
            *setSelection(data::id_, AbstractData::create(selectionInfos[data::id_])));
    }
    data::value_type& select_data(const Data& v) { return select_data() = v; }
    bool data_isSelected() const { return currentSelection() == data::id_; }

    static const InfoType theInfo;
    static const void* const selectionInfos[2];
    static const char* const selectionNames[2];
};

class Record : public ASN1::SEQUENCE {
public:
    struct id {
        typedef ASN1::INTEGER value_type;
    };
    struct label {
        typedef ASN1::IA5String value_type;
    };
    struct state {
        typedef State value_type;
    };
    struct body {
        typedef Body value_type;
    };
    struct items {
        typedef ASN1::SEQUENCE_OF<ASN1::INTEGER> value_type;
    };

    Record() : SEQUENCE(&theInfo) {}
    ~Record() override;
    Record* clone() const { return static_cast<Record*>(SEQUENCE::clone()); }

    const id::value_type& get_id() const {
        return static_cast<const id::value_type&>(*getField(0));
    }
    id::value_type& set_id() { return static_cast<id::value_type&>(*getField(0)); }
    void set_id(int v) { set_id() = v; }

    const label::value_type& get_label() const { return optionalFieldAs<label::value_type>(1, 0); }
    void set_label(const std::string& v) {
        static_cast<label::value_type&>(*includeOptionalField(0, 1)) = v;
    }
    void omit_label() { removeOptionalField(0); }
    bool label_isPresent() const { return hasOptionalField(0); }

    const state::value_type& get_state() const {
        return static_cast<const state::value_type&>(*getField(2));
    }
    state::value_type& set_state() { return static_cast<state::value_type&>(*getField(2)); }
    void set_state(State::NamedNumber v) { set_state() = v; }

    const body::value_type& get_body() const {
        return static_cast<const body::value_type&>(*getField(3));
    }
    body::value_type& set_body() { return static_cast<body::value_type&>(*getField(3)); }
    void set_body(const Body& v) { set_body() = v; }

    const items::value_type& get_items() const {
        return static_cast<const items::value_type&>(*getField(4));
    }
    items::value_type& set_items() { return static_cast<items::value_type&>(*getField(4)); }
    void set_items(const items::value_type& v) { set_items() = v; }

    static const InfoType theInfo;
    static const void* const fieldInfos[5];
    static const int fieldIds[5];
    static const char* const fieldNames[5];
};

// Sparse numbers: not-use is -1 and 3, 5 to 8 have no item.
class Standby : public ASN1::ENUMERATED {
public:
    enum NamedNumber : int { not_use = -1, idle = 0, learn = 1, listen = 2, speak = 4, top = 9 };

    Standby() : ENUMERATED(&theInfo) {}
    Standby(NamedNumber n) : ENUMERATED(n, &theInfo) {}
    ~Standby() override;
    Standby* clone() const { return static_cast<Standby*>(ENUMERATED::clone()); }

    Standby& operator=(NamedNumber n) {
        setFromInt(n);
        return *this;
    }
    operator NamedNumber() const { return NamedNumber(asInt()); }

    void set_not_use() { setFromInt(not_use); }
    bool is_not_use() const { return asInt() == not_use; }
    void set_speak() { setFromInt(speak); }
    bool is_speak() const { return asInt() == speak; }

    static const InfoType theInfo;
};

extern const char* const Standby_enum_names__[6];

class Extended : public ASN1::SEQUENCE {
public:
    struct a {
        typedef ASN1::INTEGER value_type;
    };
    struct b {
        typedef ASN1::BOOLEAN value_type;
    };
    struct c {
        typedef ASN1::IA5String value_type;
    };
    struct x {
        typedef ASN1::INTEGER value_type;
    };
    struct y {
        typedef ASN1::BOOLEAN value_type;
    };
    struct z {
        typedef ASN1::OCTET_STRING value_type;
    };

    Extended() : SEQUENCE(&theInfo) {}
    ~Extended() override;
    Extended* clone() const { return static_cast<Extended*>(SEQUENCE::clone()); }

    const a::value_type& get_a() const { return static_cast<const a::value_type&>(*getField(0)); }
    void set_a(int v) { static_cast<a::value_type&>(*getField(0)) = v; }

    const b::value_type& get_b() const { return optionalFieldAs<b::value_type>(1, 0); }
    void set_b(bool v) { static_cast<b::value_type&>(*includeOptionalField(0, 1)) = v; }
    void omit_b() { removeOptionalField(0); }
    bool b_isPresent() const { return hasOptionalField(0); }

    const c::value_type& get_c() const { return optionalFieldAs<c::value_type>(2, 1); }
    void set_c(const std::string& v) {
        static_cast<c::value_type&>(*includeOptionalField(1, 2)) = v;
    }
    void omit_c() { removeOptionalField(1); }
    bool c_isPresent() const { return hasOptionalField(1); }

    // Extension additions: optional numbers continue after the root's (2, 3, 4).
    const x::value_type& get_x() const { return optionalFieldAs<x::value_type>(3, 2); }
    void set_x(int v) { static_cast<x::value_type&>(*includeOptionalField(2, 3)) = v; }
    void omit_x() { removeOptionalField(2); }
    bool x_isPresent() const { return hasOptionalField(2); }

    const y::value_type& get_y() const { return optionalFieldAs<y::value_type>(4, 3); }
    void set_y(bool v) { static_cast<y::value_type&>(*includeOptionalField(3, 4)) = v; }
    void omit_y() { removeOptionalField(3); }
    bool y_isPresent() const { return hasOptionalField(3); }

    const z::value_type& get_z() const { return optionalFieldAs<z::value_type>(5, 4); }
    void set_z(const std::vector<char>& v) {
        static_cast<z::value_type&>(*includeOptionalField(4, 5)) = v;
    }
    void omit_z() { removeOptionalField(4); }
    bool z_isPresent() const { return hasOptionalField(4); }

    static const InfoType theInfo;
    static const void* const fieldInfos[6];
    static const int fieldIds[6];
    static const char* const fieldNames[6];
};

}  // namespace TEST
