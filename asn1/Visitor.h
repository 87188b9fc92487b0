// The root of the visitors that may change the values they visit (the decoders). A
// SEQUENCE is walked field by field through hooks; every other class has one operation.
#pragma once

namespace ASN1 {

class CoderEnv;
class AbstractData;
class Null;
class BOOLEAN;
class INTEGER;
class IntegerWithNamedNumber;
class ENUMERATED;
class OBJECT_IDENTIFIER;
class OCTET_STRING;
class BIT_STRING;
class AbstractString;
class BMPString;
class CHOICE;
class SEQUENCE;
class SEQUENCE_OF_Base;
class OpenData;
class TypeConstrainedOpenData;
class GeneralizedTime;

class Visitor {
public:
    // What a SEQUENCE hook tells the walk.
    enum HookCode {
        Fail = 0,          // the walk ends and the visit fails
        Done = 1,          // the walk ends and the visit succeeds
        NoExtensions = 2,  // go on; from preVisitExtensionRoots: no extension additions follow
        GoOn = 3           // go on; from preVisitExtensionRoots: extension additions follow
    };

    explicit Visitor(CoderEnv* env = nullptr) : env_(env) {}
    virtual ~Visitor() = default;

    CoderEnv* get_env() const { return env_; }

    bool visit(Null& value) { return do_visit(value); }
    bool visit(BOOLEAN& value) { return do_visit(value); }
    bool visit(INTEGER& value) { return do_visit(value); }
    bool visit(IntegerWithNamedNumber& value) { return do_visit(value); }
    bool visit(ENUMERATED& value) { return do_visit(value); }
    bool visit(OBJECT_IDENTIFIER& value) { return do_visit(value); }
    bool visit(OCTET_STRING& value) { return do_visit(value); }
    bool visit(BIT_STRING& value) { return do_visit(value); }
    bool visit(AbstractString& value) { return do_visit(value); }
    bool visit(BMPString& value) { return do_visit(value); }
    bool visit(CHOICE& value) { return do_visit(value); }
    bool visit(SEQUENCE_OF_Base& value) { return do_visit(value); }
    bool visit(OpenData& value) { return do_visit(value); }
    bool visit(TypeConstrainedOpenData& value) { return do_visit(value); }
    bool visit(GeneralizedTime& value) { return do_visit(value); }
    // The walk (SequenceWalk.h): the root fields in order, then (when the first hook said
    // so) the known extension additions, then the unknown ones.
    bool visit(SEQUENCE& value) { return do_walk(value); }
    // Decodes an open type's typed value from the octets it holds.
    bool revisit(OpenData& value) { return do_revisit(value); }

protected:
    virtual bool do_visit(Null& value) = 0;
    virtual bool do_visit(BOOLEAN& value) = 0;
    virtual bool do_visit(INTEGER& value) = 0;
    // Handled as its INTEGER unless a visitor says otherwise.
    virtual bool do_visit(IntegerWithNamedNumber& value);
    virtual bool do_visit(ENUMERATED& value) = 0;
    virtual bool do_visit(OBJECT_IDENTIFIER& value) = 0;
    virtual bool do_visit(OCTET_STRING& value) = 0;
    virtual bool do_visit(BIT_STRING& value) = 0;
    virtual bool do_visit(AbstractString& value) = 0;
    virtual bool do_visit(BMPString& value) = 0;
    virtual bool do_visit(CHOICE& value) = 0;
    virtual bool do_visit(SEQUENCE_OF_Base& value) = 0;
    virtual bool do_visit(OpenData& value) = 0;
    virtual bool do_revisit(OpenData& value) = 0;
    virtual bool do_visit(TypeConstrainedOpenData& value) = 0;
    virtual bool do_visit(GeneralizedTime& value) = 0;

    // SEQUENCE hooks, answering a HookCode. `optional` is the field's optional number, -1
    // for a mandatory root field; extension addition k has optional count + k.
    virtual int preVisitExtensionRoots(SEQUENCE& value);
    virtual int visitExtensionRoot(SEQUENCE& value, int position, int optional);
    virtual int preVisitExtensions(SEQUENCE& value);
    virtual int visitKnownExtension(SEQUENCE& value, int position, int optional);
    // The additions beyond the known ones that the value announced.
    virtual bool visitUnknownExtensions(SEQUENCE& value);

    // Runs the walk through the hooks above; a final codec runs it against its own.
    virtual bool do_walk(SEQUENCE& value);
    template <class V>
    friend bool walkSequence(V& visitor, SEQUENCE& value);

private:
    CoderEnv* env_;
};

}  // namespace ASN1
