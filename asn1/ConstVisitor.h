// The root of the visitors that only read the values they visit (encoders, printers,
// checkers). A SEQUENCE is walked through hooks over its present fields.
#pragma once

namespace ASN1 {

class AbstractData;
class Null;
class BOOLEAN;
class INTEGER;
class IntegerWithNamedNumber;
class ENUMERATED;
class OBJECT_IDENTIFIER;
class BIT_STRING;
class OCTET_STRING;
class AbstractString;
class BMPString;
class CHOICE;
class SEQUENCE;
class OpenData;
class GeneralizedTime;
class SEQUENCE_OF_Base;

class ConstVisitor {
public:
    virtual ~ConstVisitor() = default;

    bool visit(const Null& value) { return do_visit(value); }
    bool visit(const BOOLEAN& value) { return do_visit(value); }
    bool visit(const INTEGER& value) { return do_visit(value); }
    bool visit(const IntegerWithNamedNumber& value) { return do_visit(value); }
    bool visit(const ENUMERATED& value) { return do_visit(value); }
    bool visit(const OBJECT_IDENTIFIER& value) { return do_visit(value); }
    bool visit(const BIT_STRING& value) { return do_visit(value); }
    bool visit(const OCTET_STRING& value) { return do_visit(value); }
    bool visit(const AbstractString& value) { return do_visit(value); }
    bool visit(const BMPString& value) { return do_visit(value); }
    bool visit(const CHOICE& value) { return do_visit(value); }
    bool visit(const OpenData& value) { return do_visit(value); }
    bool visit(const GeneralizedTime& value) { return do_visit(value); }
    bool visit(const SEQUENCE_OF_Base& value) { return do_visit(value); }
    // The walk (SequenceWalk.h): every present root field in order; then, for an
    // extensible type whose value carries extension bits, every present known addition;
    // then the closing hook. A field marked present that does not exist fails the walk.
    bool visit(const SEQUENCE& value) { return do_walk(value); }

protected:
    // Every operation below falls back to this one, which does nothing and succeeds.
    virtual bool do_visit(const AbstractData& value);
    virtual bool do_visit(const Null& value);
    virtual bool do_visit(const BOOLEAN& value);
    virtual bool do_visit(const INTEGER& value);
    // Handled as its INTEGER unless a visitor says otherwise.
    virtual bool do_visit(const IntegerWithNamedNumber& value);
    virtual bool do_visit(const ENUMERATED& value);
    virtual bool do_visit(const OBJECT_IDENTIFIER& value);
    virtual bool do_visit(const BIT_STRING& value);
    virtual bool do_visit(const OCTET_STRING& value);
    virtual bool do_visit(const AbstractString& value);
    virtual bool do_visit(const BMPString& value);
    virtual bool do_visit(const CHOICE& value);
    virtual bool do_visit(const OpenData& value);
    virtual bool do_visit(const GeneralizedTime& value);
    virtual bool do_visit(const SEQUENCE_OF_Base& value);

    // SEQUENCE hooks: true goes on, false fails the walk.
    virtual bool preVisitExtensionRoots(const SEQUENCE& value);
    virtual bool visitExtensionRoot(const SEQUENCE& value, int position);
    virtual bool preVisitExtensions(const SEQUENCE& value);
    virtual bool visitKnownExtension(const SEQUENCE& value, int position);
    virtual bool afterVisitSequence(const SEQUENCE& value);

    // Runs the walk through the hooks above; a final codec runs it against its own.
    virtual bool do_walk(const SEQUENCE& value);
    template <class V>
    friend bool walkSequence(V& visitor, const SEQUENCE& value);
};

}  // namespace ASN1
