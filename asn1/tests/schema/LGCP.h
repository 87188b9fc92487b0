// The LGCP module of LGCP.asn: a miniature of the controller protocol's message frame for
// the runtime's tests, written in the form of a generated module.
#pragma once

#include "asn1/ASN1.h"

#include <string>
#include <vector>

namespace LGCP {

class BpcTestMode;
class BpcTestParams;
class Command;
class CreateParams;
class CreateRtpParams;
class ErrorCause;
class HostAddress;
class Message;
class PDU;
class Payload;
class Response;
class RtpEcho;
class RtpJitter;
class RtpParams;
class Signal;
class Stream;

class ErrorCause : public ASN1::ENUMERATED {
public:
    enum NamedNumber : int {
        invalidParams = 0,
        insufficientResources = 1,
        invalidSlot = 2,
        slotNotExists = 3,
        unexpectedMsgType = 4,
        internal = 5,
        unsupported = 6,
        reconnectionFail = 7,
        disconnectFail = 8,
        connectFail = 9,
        busError = 10,
        slotIdBusy = 11,
        destroyInProgress = 12
    };

    ErrorCause() : ENUMERATED(&theInfo) {}
    ErrorCause(NamedNumber n) : ENUMERATED(n, &theInfo) {}
    ~ErrorCause() override;
    ErrorCause* clone() const { return static_cast<ErrorCause*>(ENUMERATED::clone()); }

    ErrorCause& operator=(NamedNumber n) {
        setFromInt(n);
        return *this;
    }
    operator NamedNumber() const { return NamedNumber(asInt()); }

    void set_invalidParams() { setFromInt(invalidParams); }
    bool is_invalidParams() const { return asInt() == invalidParams; }
    void set_insufficientResources() { setFromInt(insufficientResources); }
    bool is_insufficientResources() const { return asInt() == insufficientResources; }
    void set_invalidSlot() { setFromInt(invalidSlot); }
    bool is_invalidSlot() const { return asInt() == invalidSlot; }
    void set_slotNotExists() { setFromInt(slotNotExists); }
    bool is_slotNotExists() const { return asInt() == slotNotExists; }
    void set_unexpectedMsgType() { setFromInt(unexpectedMsgType); }
    bool is_unexpectedMsgType() const { return asInt() == unexpectedMsgType; }
    void set_internal() { setFromInt(internal); }
    bool is_internal() const { return asInt() == internal; }
    void set_unsupported() { setFromInt(unsupported); }
    bool is_unsupported() const { return asInt() == unsupported; }
    void set_reconnectionFail() { setFromInt(reconnectionFail); }
    bool is_reconnectionFail() const { return asInt() == reconnectionFail; }
    void set_disconnectFail() { setFromInt(disconnectFail); }
    bool is_disconnectFail() const { return asInt() == disconnectFail; }
    void set_connectFail() { setFromInt(connectFail); }
    bool is_connectFail() const { return asInt() == connectFail; }
    void set_busError() { setFromInt(busError); }
    bool is_busError() const { return asInt() == busError; }
    void set_slotIdBusy() { setFromInt(slotIdBusy); }
    bool is_slotIdBusy() const { return asInt() == slotIdBusy; }
    void set_destroyInProgress() { setFromInt(destroyInProgress); }
    bool is_destroyInProgress() const { return asInt() == destroyInProgress; }

    static const InfoType theInfo;
};

extern const char* const ErrorCause_enum_names__[13];

class Payload : public ASN1::ENUMERATED {
public:
    enum NamedNumber : int { pcmu = 0, gsm = 1, g723 = 2, pcma = 3, g722 = 4, g729 = 5 };

    Payload() : ENUMERATED(&theInfo) {}
    Payload(NamedNumber n) : ENUMERATED(n, &theInfo) {}
    ~Payload() override;
    Payload* clone() const { return static_cast<Payload*>(ENUMERATED::clone()); }

    Payload& operator=(NamedNumber n) {
        setFromInt(n);
        return *this;
    }
    operator NamedNumber() const { return NamedNumber(asInt()); }

    void set_pcmu() { setFromInt(pcmu); }
    bool is_pcmu() const { return asInt() == pcmu; }
    void set_gsm() { setFromInt(gsm); }
    bool is_gsm() const { return asInt() == gsm; }
    void set_g723() { setFromInt(g723); }
    bool is_g723() const { return asInt() == g723; }
    void set_pcma() { setFromInt(pcma); }
    bool is_pcma() const { return asInt() == pcma; }
    void set_g722() { setFromInt(g722); }
    bool is_g722() const { return asInt() == g722; }
    void set_g729() { setFromInt(g729); }
    bool is_g729() const { return asInt() == g729; }

    static const InfoType theInfo;
};

extern const char* const Payload_enum_names__[6];

class RtpEcho : public ASN1::ENUMERATED {
public:
    enum NamedNumber : int { off = 0, on = 1, adaptive = 2 };

    RtpEcho() : ENUMERATED(&theInfo) {}
    RtpEcho(NamedNumber n) : ENUMERATED(n, &theInfo) {}
    ~RtpEcho() override;
    RtpEcho* clone() const { return static_cast<RtpEcho*>(ENUMERATED::clone()); }

    RtpEcho& operator=(NamedNumber n) {
        setFromInt(n);
        return *this;
    }
    operator NamedNumber() const { return NamedNumber(asInt()); }

    void set_off() { setFromInt(off); }
    bool is_off() const { return asInt() == off; }
    void set_on() { setFromInt(on); }
    bool is_on() const { return asInt() == on; }
    void set_adaptive() { setFromInt(adaptive); }
    bool is_adaptive() const { return asInt() == adaptive; }

    static const InfoType theInfo;
};

extern const char* const RtpEcho_enum_names__[3];

class Stream : public ASN1::CHOICE {
public:
    struct inactive {
        typedef ASN1::Null value_type;
        enum Id { id_ = 0 };
    };
    struct active {
        typedef ASN1::INTEGER value_type;
        enum Id { id_ = 1 };
    };

    Stream() : CHOICE(&theInfo) {}
    Stream(inactive::Id, const ASN1::Null& v)
        : CHOICE(&theInfo, inactive::id_, new inactive::value_type(v)) {}
    Stream(active::Id, int v) : CHOICE(&theInfo, active::id_, new active::value_type(v)) {}
    ~Stream() override;
    Stream* clone() const { return static_cast<Stream*>(CHOICE::clone()); }

    const inactive::value_type& get_inactive() const {
        return selectionAs<inactive::value_type>(inactive::id_, "inactive");
    }
    inactive::value_type& select_inactive() {
        return static_cast<inactive::value_type&>(
            *setSelection(inactive::id_, AbstractData::create(selectionInfos[inactive::id_])));
    }
    bool inactive_isSelected() const { return currentSelection() == inactive::id_; }

    const active::value_type& get_active() const {
        return selectionAs<active::value_type>(active::id_, "active");
    }
    active::value_type& select_active() {
        return static_cast<active::value_type&>(
            *setSelection(active::id_, AbstractData::create(selectionInfos[active::id_])));
    }
    active::value_type& select_active(int v) { return select_active() = v; }
    bool active_isSelected() const { return currentSelection() == active::id_; }

    static const InfoType theInfo;
    static const void* const selectionInfos[2];
    static const char* const selectionNames[2];
};

class BpcTestMode : public ASN1::CHOICE {
public:
    struct read {
        typedef ASN1::Null value_type;
        enum Id { id_ = 0 };
    };
    struct write {
        typedef ASN1::Null value_type;
        enum Id { id_ = 1 };
    };
    struct disconnect {
        typedef ASN1::Null value_type;
        enum Id { id_ = 2 };
    };

    BpcTestMode() : CHOICE(&theInfo) {}
    BpcTestMode(read::Id, const ASN1::Null& v)
        : CHOICE(&theInfo, read::id_, new read::value_type(v)) {}
    BpcTestMode(write::Id, const ASN1::Null& v)
        : CHOICE(&theInfo, write::id_, new write::value_type(v)) {}
    BpcTestMode(disconnect::Id, const ASN1::Null& v)
        : CHOICE(&theInfo, disconnect::id_, new disconnect::value_type(v)) {}
    ~BpcTestMode() override;
    BpcTestMode* clone() const { return static_cast<BpcTestMode*>(CHOICE::clone()); }

    const read::value_type& get_read() const {
        return selectionAs<read::value_type>(read::id_, "read");
    }
    read::value_type& select_read() {
        return static_cast<read::value_type&>(
            *setSelection(read::id_, AbstractData::create(selectionInfos[read::id_])));
    }
    bool read_isSelected() const { return currentSelection() == read::id_; }

    const write::value_type& get_write() const {
        return selectionAs<write::value_type>(write::id_, "write");
    }
    write::value_type& select_write() {
        return static_cast<write::value_type&>(
            *setSelection(write::id_, AbstractData::create(selectionInfos[write::id_])));
    }
    bool write_isSelected() const { return currentSelection() == write::id_; }

    const disconnect::value_type& get_disconnect() const {
        return selectionAs<disconnect::value_type>(disconnect::id_, "disconnect");
    }
    disconnect::value_type& select_disconnect() {
        return static_cast<disconnect::value_type&>(
            *setSelection(disconnect::id_, AbstractData::create(selectionInfos[disconnect::id_])));
    }
    bool disconnect_isSelected() const { return currentSelection() == disconnect::id_; }

    static const InfoType theInfo;
    static const void* const selectionInfos[3];
    static const char* const selectionNames[3];
};

class BpcTestParams : public ASN1::SEQUENCE {
public:
    struct bus {
        typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 15> value_type;
    };
    struct seed {
        typedef ASN1::INTEGER value_type;
    };
    struct mode {
        typedef BpcTestMode value_type;
    };
    struct timeslot_start {
        typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127> value_type;
    };
    struct timeslot_length {
        typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127> value_type;
    };

    BpcTestParams() : SEQUENCE(&theInfo) {}
    ~BpcTestParams() override;
    BpcTestParams* clone() const { return static_cast<BpcTestParams*>(SEQUENCE::clone()); }

    const bus::value_type& get_bus() const {
        return static_cast<const bus::value_type&>(*getField(0));
    }
    bus::value_type& set_bus() { return static_cast<bus::value_type&>(*getField(0)); }
    void set_bus(unsigned v) { set_bus() = v; }

    const seed::value_type& get_seed() const {
        return static_cast<const seed::value_type&>(*getField(1));
    }
    seed::value_type& set_seed() { return static_cast<seed::value_type&>(*getField(1)); }
    void set_seed(int v) { set_seed() = v; }

    const mode::value_type& get_mode() const {
        return static_cast<const mode::value_type&>(*getField(2));
    }
    mode::value_type& set_mode() { return static_cast<mode::value_type&>(*getField(2)); }
    void set_mode(const BpcTestMode& v) { set_mode() = v; }

    const timeslot_start::value_type& get_timeslot_start() const {
        return static_cast<const timeslot_start::value_type&>(*getField(3));
    }
    timeslot_start::value_type& set_timeslot_start() {
        return static_cast<timeslot_start::value_type&>(*getField(3));
    }
    void set_timeslot_start(unsigned v) { set_timeslot_start() = v; }

    const timeslot_length::value_type& get_timeslot_length() const {
        return static_cast<const timeslot_length::value_type&>(*getField(4));
    }
    timeslot_length::value_type& set_timeslot_length() {
        return static_cast<timeslot_length::value_type&>(*getField(4));
    }
    void set_timeslot_length(unsigned v) { set_timeslot_length() = v; }

    static const InfoType theInfo;
    static const void* const fieldInfos[5];
    static const int fieldIds[5];
    static const char* const fieldNames[5];
};

class HostAddress : public ASN1::SEQUENCE {
public:
    struct iaddr {
        typedef ASN1::IA5String value_type;
    };
    struct port {
        typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 65535> value_type;
    };

    HostAddress() : SEQUENCE(&theInfo) {}
    ~HostAddress() override;
    HostAddress* clone() const { return static_cast<HostAddress*>(SEQUENCE::clone()); }

    const iaddr::value_type& get_iaddr() const {
        return static_cast<const iaddr::value_type&>(*getField(0));
    }
    iaddr::value_type& set_iaddr() { return static_cast<iaddr::value_type&>(*getField(0)); }
    void set_iaddr(const std::string& v) { set_iaddr() = v; }

    const port::value_type& get_port() const {
        return static_cast<const port::value_type&>(*getField(1));
    }
    port::value_type& set_port() { return static_cast<port::value_type&>(*getField(1)); }
    void set_port(unsigned v) { set_port() = v; }

    static const InfoType theInfo;
    static const void* const fieldInfos[2];
    static const int fieldIds[2];
    static const char* const fieldNames[2];
};

class RtpJitter : public ASN1::SEQUENCE {
public:
    struct min {
        typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1000> value_type;
    };
    struct max {
        typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1000> value_type;
    };

    RtpJitter() : SEQUENCE(&theInfo) {}
    ~RtpJitter() override;
    RtpJitter* clone() const { return static_cast<RtpJitter*>(SEQUENCE::clone()); }

    const min::value_type& get_min() const {
        return static_cast<const min::value_type&>(*getField(0));
    }
    min::value_type& set_min() { return static_cast<min::value_type&>(*getField(0)); }
    void set_min(unsigned v) { set_min() = v; }

    const max::value_type& get_max() const {
        return static_cast<const max::value_type&>(*getField(1));
    }
    max::value_type& set_max() { return static_cast<max::value_type&>(*getField(1)); }
    void set_max(unsigned v) { set_max() = v; }

    static const InfoType theInfo;
    static const void* const fieldInfos[2];
    static const int fieldIds[2];
    static const char* const fieldNames[2];
};

class RtpParams : public ASN1::SEQUENCE {
public:
    struct payload {
        typedef Payload value_type;
    };
    struct dhost {
        typedef HostAddress value_type;
    };
    struct shost {
        typedef HostAddress value_type;
    };
    struct dname {
        class value_type : public ASN1::IA5String {
        public:
            value_type() : IA5String(&theInfo) {}
            value_type(const std::string& v) : IA5String(v, &theInfo) {}
            using IA5String::operator=;
            static const ASN1::StringInfo theInfo;
        };
    };
    struct jitter {
        typedef RtpJitter value_type;
    };
    struct pfactor {
        typedef ASN1::INTEGER value_type;
    };
    struct crate {
        typedef ASN1::INTEGER value_type;
    };
    struct vad {
        typedef ASN1::BOOLEAN value_type;
    };
    struct echo {
        typedef RtpEcho value_type;
    };
    struct ssrc {
        typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4294967295> value_type;
    };
    struct ttl {
        typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 255> value_type;
    };
    struct qos_dscp {
        typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 63> value_type;
    };
    struct streams {
        typedef ASN1::SEQUENCE_OF<Stream> value_type;
    };

    RtpParams() : SEQUENCE(&theInfo) {}
    ~RtpParams() override;
    RtpParams* clone() const { return static_cast<RtpParams*>(SEQUENCE::clone()); }

    const payload::value_type& get_payload() const {
        return static_cast<const payload::value_type&>(*getField(0));
    }
    payload::value_type& set_payload() { return static_cast<payload::value_type&>(*getField(0)); }
    void set_payload(Payload::NamedNumber v) { set_payload() = v; }

    const dhost::value_type& get_dhost() const {
        return static_cast<const dhost::value_type&>(*getField(1));
    }
    dhost::value_type& set_dhost() { return static_cast<dhost::value_type&>(*getField(1)); }
    void set_dhost(const HostAddress& v) { set_dhost() = v; }

    const shost::value_type& get_shost() const { return optionalFieldAs<shost::value_type>(2, 0); }
    void set_shost(const HostAddress& v) {
        static_cast<shost::value_type&>(*includeOptionalField(0, 2)) = v;
    }
    void omit_shost() { removeOptionalField(0); }
    bool shost_isPresent() const { return hasOptionalField(0); }

    const dname::value_type& get_dname() const { return optionalFieldAs<dname::value_type>(3, 1); }
    void set_dname(const std::string& v) {
        static_cast<dname::value_type&>(*includeOptionalField(1, 3)) = v;
    }
    void omit_dname() { removeOptionalField(1); }
    bool dname_isPresent() const { return hasOptionalField(1); }

    const jitter::value_type& get_jitter() const {
        return optionalFieldAs<jitter::value_type>(4, 2);
    }
    void set_jitter(const RtpJitter& v) {
        static_cast<jitter::value_type&>(*includeOptionalField(2, 4)) = v;
    }
    void omit_jitter() { removeOptionalField(2); }
    bool jitter_isPresent() const { return hasOptionalField(2); }

    const pfactor::value_type& get_pfactor() const {
        return optionalFieldAs<pfactor::value_type>(5, 3);
    }
    void set_pfactor(int v) { static_cast<pfactor::value_type&>(*includeOptionalField(3, 5)) = v; }
    void omit_pfactor() { removeOptionalField(3); }
    bool pfactor_isPresent() const { return hasOptionalField(3); }

    const crate::value_type& get_crate() const { return optionalFieldAs<crate::value_type>(6, 4); }
    void set_crate(int v) { static_cast<crate::value_type&>(*includeOptionalField(4, 6)) = v; }
    void omit_crate() { removeOptionalField(4); }
    bool crate_isPresent() const { return hasOptionalField(4); }

    const vad::value_type& get_vad() const { return optionalFieldAs<vad::value_type>(7, 5); }
    void set_vad(bool v) { static_cast<vad::value_type&>(*includeOptionalField(5, 7)) = v; }
    void omit_vad() { removeOptionalField(5); }
    bool vad_isPresent() const { return hasOptionalField(5); }

    const echo::value_type& get_echo() const { return optionalFieldAs<echo::value_type>(8, 6); }
    void set_echo(RtpEcho::NamedNumber v) {
        static_cast<echo::value_type&>(*includeOptionalField(6, 8)) = v;
    }
    void omit_echo() { removeOptionalField(6); }
    bool echo_isPresent() const { return hasOptionalField(6); }

    const ssrc::value_type& get_ssrc() const { return optionalFieldAs<ssrc::value_type>(9, 7); }
    void set_ssrc(unsigned v) { static_cast<ssrc::value_type&>(*includeOptionalField(7, 9)) = v; }
    void omit_ssrc() { removeOptionalField(7); }
    bool ssrc_isPresent() const { return hasOptionalField(7); }

    const ttl::value_type& get_ttl() const { return optionalFieldAs<ttl::value_type>(10, 8); }
    void set_ttl(unsigned v) { static_cast<ttl::value_type&>(*includeOptionalField(8, 10)) = v; }
    void omit_ttl() { removeOptionalField(8); }
    bool ttl_isPresent() const { return hasOptionalField(8); }

    const qos_dscp::value_type& get_qos_dscp() const {
        return optionalFieldAs<qos_dscp::value_type>(11, 9);
    }
    void set_qos_dscp(unsigned v) {
        static_cast<qos_dscp::value_type&>(*includeOptionalField(9, 11)) = v;
    }
    void omit_qos_dscp() { removeOptionalField(9); }
    bool qos_dscp_isPresent() const { return hasOptionalField(9); }

    const streams::value_type& get_streams() const {
        return optionalFieldAs<streams::value_type>(12, 10);
    }
    void set_streams(const ASN1::SEQUENCE_OF<Stream>& v) {
        static_cast<streams::value_type&>(*includeOptionalField(10, 12)) = v;
    }
    void omit_streams() { removeOptionalField(10); }
    bool streams_isPresent() const { return hasOptionalField(10); }

    static const InfoType theInfo;
    static const void* const fieldInfos[13];
    static const int fieldIds[13];
    static const char* const fieldNames[13];
};

class CreateRtpParams : public ASN1::SEQUENCE {
public:
    struct codecRTP {
        typedef RtpParams value_type;
    };
    struct txPayload {
        typedef Payload value_type;
    };
    struct rxPayload {
        typedef Payload value_type;
    };

    CreateRtpParams() : SEQUENCE(&theInfo) {}
    ~CreateRtpParams() override;
    CreateRtpParams* clone() const { return static_cast<CreateRtpParams*>(SEQUENCE::clone()); }

    const codecRTP::value_type& get_codecRTP() const {
        return static_cast<const codecRTP::value_type&>(*getField(0));
    }
    codecRTP::value_type& set_codecRTP() {
        return static_cast<codecRTP::value_type&>(*getField(0));
    }
    void set_codecRTP(const RtpParams& v) { set_codecRTP() = v; }

    const txPayload::value_type& get_txPayload() const {
        return static_cast<const txPayload::value_type&>(*getField(1));
    }
    txPayload::value_type& set_txPayload() {
        return static_cast<txPayload::value_type&>(*getField(1));
    }
    void set_txPayload(Payload::NamedNumber v) { set_txPayload() = v; }

    const rxPayload::value_type& get_rxPayload() const {
        return static_cast<const rxPayload::value_type&>(*getField(2));
    }
    rxPayload::value_type& set_rxPayload() {
        return static_cast<rxPayload::value_type&>(*getField(2));
    }
    void set_rxPayload(Payload::NamedNumber v) { set_rxPayload() = v; }

    static const InfoType theInfo;
    static const void* const fieldInfos[3];
    static const int fieldIds[3];
    static const char* const fieldNames[3];
};

class CreateParams : public ASN1::CHOICE {
public:
    struct mixerOut {
        typedef ASN1::Null value_type;
        enum Id { id_ = 0 };
    };
    struct rtp {
        typedef CreateRtpParams value_type;
        enum Id { id_ = 1 };
    };
    struct trunk {
        typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255> value_type;
        enum Id { id_ = 2 };
    };

    CreateParams() : CHOICE(&theInfo) {}
    CreateParams(mixerOut::Id, const ASN1::Null& v)
        : CHOICE(&theInfo, mixerOut::id_, new mixerOut::value_type(v)) {}
    CreateParams(rtp::Id, const CreateRtpParams& v)
        : CHOICE(&theInfo, rtp::id_, new rtp::value_type(v)) {}
    CreateParams(trunk::Id, unsigned v) : CHOICE(&theInfo, trunk::id_, new trunk::value_type(v)) {}
    ~CreateParams() override;
    CreateParams* clone() const { return static_cast<CreateParams*>(CHOICE::clone()); }

    const mixerOut::value_type& get_mixerOut() const {
        return selectionAs<mixerOut::value_type>(mixerOut::id_, "mixerOut");
    }
    mixerOut::value_type& select_mixerOut() {
        return static_cast<mixerOut::value_type&>(
            *setSelection(mixerOut::id_, AbstractData::create(selectionInfos[mixerOut::id_])));
    }
    bool mixerOut_isSelected() const { return currentSelection() == mixerOut::id_; }

    const rtp::value_type& get_rtp() const { return selectionAs<rtp::value_type>(rtp::id_, "rtp"); }
    rtp::value_type& select_rtp() {
        return static_cast<rtp::value_type&>(
            *setSelection(rtp::id_, AbstractData::create(selectionInfos[rtp::id_])));
    }
    rtp::value_type& select_rtp(const CreateRtpParams& v) { return select_rtp() = v; }
    bool rtp_isSelected() const { return currentSelection() == rtp::id_; }

    const trunk::value_type& get_trunk() const {
        return selectionAs<trunk::value_type>(trunk::id_, "trunk");
    }
    trunk::value_type& select_trunk() {
        return static_cast<trunk::value_type&>(
            *setSelection(trunk::id_, AbstractData::create(selectionInfos[trunk::id_])));
    }
    trunk::value_type& select_trunk(unsigned v) { return select_trunk() = v; }
    bool trunk_isSelected() const { return currentSelection() == trunk::id_; }

    static const InfoType theInfo;
    static const void* const selectionInfos[3];
    static const char* const selectionNames[3];
};

class Command : public ASN1::CHOICE {
public:
    struct query {
        typedef ASN1::Null value_type;
        enum Id { id_ = 0 };
    };
    struct testBpc {
        typedef BpcTestParams value_type;
        enum Id { id_ = 1 };
    };
    struct connect {
        typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023> value_type;
        enum Id { id_ = 2 };
    };
    struct disconnect {
        typedef ASN1::Null value_type;
        enum Id { id_ = 3 };
    };
    struct create {
        typedef CreateParams value_type;
        enum Id { id_ = 4 };
    };
    struct destroy {
        typedef ASN1::Null value_type;
        enum Id { id_ = 5 };
    };
    struct userData {
        typedef ASN1::OCTET_STRING value_type;
        enum Id { id_ = 6 };
    };
    struct ping {
        typedef ASN1::Null value_type;
        enum Id { id_ = 7 };
    };

    Command() : CHOICE(&theInfo) {}
    Command(query::Id, const ASN1::Null& v)
        : CHOICE(&theInfo, query::id_, new query::value_type(v)) {}
    Command(testBpc::Id, const BpcTestParams& v)
        : CHOICE(&theInfo, testBpc::id_, new testBpc::value_type(v)) {}
    Command(connect::Id, unsigned v) : CHOICE(&theInfo, connect::id_, new connect::value_type(v)) {}
    Command(disconnect::Id, const ASN1::Null& v)
        : CHOICE(&theInfo, disconnect::id_, new disconnect::value_type(v)) {}
    Command(create::Id, const CreateParams& v)
        : CHOICE(&theInfo, create::id_, new create::value_type(v)) {}
    Command(destroy::Id, const ASN1::Null& v)
        : CHOICE(&theInfo, destroy::id_, new destroy::value_type(v)) {}
    Command(userData::Id, const std::vector<char>& v)
        : CHOICE(&theInfo, userData::id_, new userData::value_type(v)) {}
    Command(ping::Id, const ASN1::Null& v) : CHOICE(&theInfo, ping::id_, new ping::value_type(v)) {}
    ~Command() override;
    Command* clone() const { return static_cast<Command*>(CHOICE::clone()); }

    const query::value_type& get_query() const {
        return selectionAs<query::value_type>(query::id_, "query");
    }
    query::value_type& select_query() {
        return static_cast<query::value_type&>(
            *setSelection(query::id_, AbstractData::create(selectionInfos[query::id_])));
    }
    bool query_isSelected() const { return currentSelection() == query::id_; }

    const testBpc::value_type& get_testBpc() const {
        return selectionAs<testBpc::value_type>(testBpc::id_, "testBpc");
    }
    testBpc::value_type& select_testBpc() {
        return static_cast<testBpc::value_type&>(
            *setSelection(testBpc::id_, AbstractData::create(selectionInfos[testBpc::id_])));
    }
    testBpc::value_type& select_testBpc(const BpcTestParams& v) { return select_testBpc() = v; }
    bool testBpc_isSelected() const { return currentSelection() == testBpc::id_; }

    const connect::value_type& get_connect() const {
        return selectionAs<connect::value_type>(connect::id_, "connect");
    }
    connect::value_type& select_connect() {
        return static_cast<connect::value_type&>(
            *setSelection(connect::id_, AbstractData::create(selectionInfos[connect::id_])));
    }
    connect::value_type& select_connect(unsigned v) { return select_connect() = v; }
    bool connect_isSelected() const { return currentSelection() == connect::id_; }

    const disconnect::value_type& get_disconnect() const {
        return selectionAs<disconnect::value_type>(disconnect::id_, "disconnect");
    }
    disconnect::value_type& select_disconnect() {
        return static_cast<disconnect::value_type&>(
            *setSelection(disconnect::id_, AbstractData::create(selectionInfos[disconnect::id_])));
    }
    bool disconnect_isSelected() const { return currentSelection() == disconnect::id_; }

    const create::value_type& get_create() const {
        return selectionAs<create::value_type>(create::id_, "create");
    }
    create::value_type& select_create() {
        return static_cast<create::value_type&>(
            *setSelection(create::id_, AbstractData::create(selectionInfos[create::id_])));
    }
    create::value_type& select_create(const CreateParams& v) { return select_create() = v; }
    bool create_isSelected() const { return currentSelection() == create::id_; }

    const destroy::value_type& get_destroy() const {
        return selectionAs<destroy::value_type>(destroy::id_, "destroy");
    }
    destroy::value_type& select_destroy() {
        return static_cast<destroy::value_type&>(
            *setSelection(destroy::id_, AbstractData::create(selectionInfos[destroy::id_])));
    }
    bool destroy_isSelected() const { return currentSelection() == destroy::id_; }

    const userData::value_type& get_userData() const {
        return selectionAs<userData::value_type>(userData::id_, "userData");
    }
    userData::value_type& select_userData() {
        return static_cast<userData::value_type&>(
            *setSelection(userData::id_, AbstractData::create(selectionInfos[userData::id_])));
    }
    userData::value_type& select_userData(const std::vector<char>& v) {
        return select_userData() = v;
    }
    bool userData_isSelected() const { return currentSelection() == userData::id_; }

    const ping::value_type& get_ping() const {
        return selectionAs<ping::value_type>(ping::id_, "ping");
    }
    ping::value_type& select_ping() {
        return static_cast<ping::value_type&>(
            *setSelection(ping::id_, AbstractData::create(selectionInfos[ping::id_])));
    }
    bool ping_isSelected() const { return currentSelection() == ping::id_; }

    static const InfoType theInfo;
    static const void* const selectionInfos[8];
    static const char* const selectionNames[8];
};

class Response : public ASN1::CHOICE {
public:
    struct success {
        typedef ASN1::Null value_type;
        enum Id { id_ = 0 };
    };
    struct error {
        typedef ErrorCause value_type;
        enum Id { id_ = 1 };
    };

    Response() : CHOICE(&theInfo) {}
    Response(success::Id, const ASN1::Null& v)
        : CHOICE(&theInfo, success::id_, new success::value_type(v)) {}
    Response(error::Id, ErrorCause::NamedNumber v)
        : CHOICE(&theInfo, error::id_, new error::value_type(v)) {}
    ~Response() override;
    Response* clone() const { return static_cast<Response*>(CHOICE::clone()); }

    const success::value_type& get_success() const {
        return selectionAs<success::value_type>(success::id_, "success");
    }
    success::value_type& select_success() {
        return static_cast<success::value_type&>(
            *setSelection(success::id_, AbstractData::create(selectionInfos[success::id_])));
    }
    bool success_isSelected() const { return currentSelection() == success::id_; }

    const error::value_type& get_error() const {
        return selectionAs<error::value_type>(error::id_, "error");
    }
    error::value_type& select_error() {
        return static_cast<error::value_type&>(
            *setSelection(error::id_, AbstractData::create(selectionInfos[error::id_])));
    }
    error::value_type& select_error(ErrorCause::NamedNumber v) { return select_error() = v; }
    bool error_isSelected() const { return currentSelection() == error::id_; }

    static const InfoType theInfo;
    static const void* const selectionInfos[2];
    static const char* const selectionNames[2];
};

class Signal : public ASN1::CHOICE {
public:
    struct number {
        typedef ASN1::IA5String value_type;
        enum Id { id_ = 0 };
    };
    struct activated {
        typedef ASN1::Null value_type;
        enum Id { id_ = 1 };
    };
    struct abort {
        typedef ASN1::INTEGER value_type;
        enum Id { id_ = 2 };
    };
    struct userData {
        typedef ASN1::OCTET_STRING value_type;
        enum Id { id_ = 3 };
    };
    struct receiver {
        typedef Stream value_type;
        enum Id { id_ = 4 };
    };

    Signal() : CHOICE(&theInfo) {}
    Signal(number::Id, const std::string& v)
        : CHOICE(&theInfo, number::id_, new number::value_type(v)) {}
    Signal(activated::Id, const ASN1::Null& v)
        : CHOICE(&theInfo, activated::id_, new activated::value_type(v)) {}
    Signal(abort::Id, int v) : CHOICE(&theInfo, abort::id_, new abort::value_type(v)) {}
    Signal(userData::Id, const std::vector<char>& v)
        : CHOICE(&theInfo, userData::id_, new userData::value_type(v)) {}
    Signal(receiver::Id, const Stream& v)
        : CHOICE(&theInfo, receiver::id_, new receiver::value_type(v)) {}
    ~Signal() override;
    Signal* clone() const { return static_cast<Signal*>(CHOICE::clone()); }

    const number::value_type& get_number() const {
        return selectionAs<number::value_type>(number::id_, "number");
    }
    number::value_type& select_number() {
        return static_cast<number::value_type&>(
            *setSelection(number::id_, AbstractData::create(selectionInfos[number::id_])));
    }
    number::value_type& select_number(const std::string& v) { return select_number() = v; }
    bool number_isSelected() const { return currentSelection() == number::id_; }

    const activated::value_type& get_activated() const {
        return selectionAs<activated::value_type>(activated::id_, "activated");
    }
    activated::value_type& select_activated() {
        return static_cast<activated::value_type&>(
            *setSelection(activated::id_, AbstractData::create(selectionInfos[activated::id_])));
    }
    bool activated_isSelected() const { return currentSelection() == activated::id_; }

    const abort::value_type& get_abort() const {
        return selectionAs<abort::value_type>(abort::id_, "abort");
    }
    abort::value_type& select_abort() {
        return static_cast<abort::value_type&>(
            *setSelection(abort::id_, AbstractData::create(selectionInfos[abort::id_])));
    }
    abort::value_type& select_abort(int v) { return select_abort() = v; }
    bool abort_isSelected() const { return currentSelection() == abort::id_; }

    const userData::value_type& get_userData() const {
        return selectionAs<userData::value_type>(userData::id_, "userData");
    }
    userData::value_type& select_userData() {
        return static_cast<userData::value_type&>(
            *setSelection(userData::id_, AbstractData::create(selectionInfos[userData::id_])));
    }
    userData::value_type& select_userData(const std::vector<char>& v) {
        return select_userData() = v;
    }
    bool userData_isSelected() const { return currentSelection() == userData::id_; }

    const receiver::value_type& get_receiver() const {
        return selectionAs<receiver::value_type>(receiver::id_, "receiver");
    }
    receiver::value_type& select_receiver() {
        return static_cast<receiver::value_type&>(
            *setSelection(receiver::id_, AbstractData::create(selectionInfos[receiver::id_])));
    }
    receiver::value_type& select_receiver(const Stream& v) { return select_receiver() = v; }
    bool receiver_isSelected() const { return currentSelection() == receiver::id_; }

    static const InfoType theInfo;
    static const void* const selectionInfos[5];
    static const char* const selectionNames[5];
};

class PDU : public ASN1::CHOICE {
public:
    struct command {
        typedef Command value_type;
        enum Id { id_ = 0 };
    };
    struct response {
        typedef Response value_type;
        enum Id { id_ = 1 };
    };
    struct signal {
        typedef Signal value_type;
        enum Id { id_ = 2 };
    };

    PDU() : CHOICE(&theInfo) {}
    PDU(command::Id, const Command& v)
        : CHOICE(&theInfo, command::id_, new command::value_type(v)) {}
    PDU(response::Id, const Response& v)
        : CHOICE(&theInfo, response::id_, new response::value_type(v)) {}
    PDU(signal::Id, const Signal& v) : CHOICE(&theInfo, signal::id_, new signal::value_type(v)) {}
    ~PDU() override;
    PDU* clone() const { return static_cast<PDU*>(CHOICE::clone()); }

    const command::value_type& get_command() const {
        return selectionAs<command::value_type>(command::id_, "command");
    }
    command::value_type& select_command() {
        return static_cast<command::value_type&>(
            *setSelection(command::id_, AbstractData::create(selectionInfos[command::id_])));
    }
    command::value_type& select_command(const Command& v) { return select_command() = v; }
    bool command_isSelected() const { return currentSelection() == command::id_; }

    const response::value_type& get_response() const {
        return selectionAs<response::value_type>(response::id_, "response");
    }
    response::value_type& select_response() {
        return static_cast<response::value_type&>(
            *setSelection(response::id_, AbstractData::create(selectionInfos[response::id_])));
    }
    response::value_type& select_response(const Response& v) { return select_response() = v; }
    bool response_isSelected() const { return currentSelection() == response::id_; }

    const signal::value_type& get_signal() const {
        return selectionAs<signal::value_type>(signal::id_, "signal");
    }
    signal::value_type& select_signal() {
        return static_cast<signal::value_type&>(
            *setSelection(signal::id_, AbstractData::create(selectionInfos[signal::id_])));
    }
    signal::value_type& select_signal(const Signal& v) { return select_signal() = v; }
    bool signal_isSelected() const { return currentSelection() == signal::id_; }

    static const InfoType theInfo;
    static const void* const selectionInfos[3];
    static const char* const selectionNames[3];
};

// The one message of the controller link.
class Message : public ASN1::SEQUENCE {
public:
    struct seq {
        typedef ASN1::INTEGER value_type;
    };
    struct slot {
        typedef ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023> value_type;
    };
    struct pdu {
        typedef PDU value_type;
    };

    Message() : SEQUENCE(&theInfo) {}
    ~Message() override;
    Message* clone() const { return static_cast<Message*>(SEQUENCE::clone()); }

    const seq::value_type& get_seq() const { return optionalFieldAs<seq::value_type>(0, 0); }
    void set_seq(int v) { static_cast<seq::value_type&>(*includeOptionalField(0, 0)) = v; }
    void omit_seq() { removeOptionalField(0); }
    bool seq_isPresent() const { return hasOptionalField(0); }

    const slot::value_type& get_slot() const { return optionalFieldAs<slot::value_type>(1, 1); }
    void set_slot(unsigned v) { static_cast<slot::value_type&>(*includeOptionalField(1, 1)) = v; }
    void omit_slot() { removeOptionalField(1); }
    bool slot_isPresent() const { return hasOptionalField(1); }

    const pdu::value_type& get_pdu() const {
        return static_cast<const pdu::value_type&>(*getField(2));
    }
    pdu::value_type& set_pdu() { return static_cast<pdu::value_type&>(*getField(2)); }
    void set_pdu(const PDU& v) { set_pdu() = v; }

    static const InfoType theInfo;
    static const void* const fieldInfos[3];
    static const int fieldIds[3];
    static const char* const fieldNames[3];
};

}  // namespace LGCP
