#include "runtime/Protocol.h"
#include "runtime/ProtocolsFamily.h"
#include "runtime/ProtocolsList.h"
#include "runtime/tests/PacketLeakCheck.h"

#include <sstream>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// A layer with a one-octet header, recording what reaches it.
class Layer : public Protocol {
public:
    Layer(Log& log, char tag) : log(log), tag(tag) {}

    void local_prepare_head(Packet& p) override { p.reserve_head(1); }
    void local_activate() override {
        log.push_back(std::string("activate ") + tag);
        Protocol::local_activate();
    }
    void local_deactivate() override {
        log.push_back(std::string("deactivate ") + tag);
        if (fail_deactivation)
            on_deactivate(new Protocol_status_error(this, "link down"));
        else
            Protocol::local_deactivate();
    }
    Smart_pointer<Internal_protocol_status> local_initialize() override {
        log.push_back(std::string("initialize ") + tag);
        if (fail_initialization) return new Protocol_status_error(this, "no device");
        return Protocol::local_initialize();
    }
    void message(Packet& p) override {
        p.push8(tag);
        transmit(p);
    }
    void receive(Packet& p) override {
        if (p.pull8() != tag) log.push_back(std::string("bad header at ") + tag);
        on_message(p);
    }

    bool fail_deactivation = false;
    bool fail_initialization = false;

private:
    Log& log;
    char tag;
};

// The outermost owner: consumes what leaves the stack at either end.
class Owner : public ProtocolsFamily {
public:
    void transmit(Packet& p) override { sent.push_back(p.text()); }
    void on_message(Packet& p) override { received.push_back(p.text()); }
    void on_activated(Protocol* p) override { activated.push_back(p); }
    void on_deactivated(Protocol* p, Smart_pointer<Internal_protocol_status> s) override {
        deactivated.push_back(p);
        statuses.push_back(s);
    }

    std::vector<std::string> sent, received;
    std::vector<Protocol*> activated, deactivated;
    std::vector<Smart_pointer<Internal_protocol_status>> statuses;
};

class ProtocolTest : public PacketLeakCheck {
protected:
    void SetUp() override {
        PacketLeakCheck::SetUp();
        l1 = new Layer(log, '1');
        l2 = new Layer(log, '2');
        l3 = new Layer(log, '3');
        stack.add_protocol_tail(l1);
        stack.add_protocol_tail(l2);
        stack.add_protocol_tail(l3);
    }

    Log log;
    Owner stack;
    Layer *l1, *l2, *l3;
};

}  // namespace

TEST_F(ProtocolTest, InitialisationStopsAtTheFirstFailure) {
    Smart_pointer<Internal_protocol_status> ok = l3->initialize();
    EXPECT_TRUE(ok->success());
    EXPECT_EQ(l3, ok->reporter());
    EXPECT_EQ((Log{"initialize 1", "initialize 2", "initialize 3"}), log);

    log.clear();
    l2->fail_initialization = true;
    Smart_pointer<Internal_protocol_status> failed = l3->initialize();
    EXPECT_FALSE(failed->success());
    EXPECT_EQ("no device", failed->message());
    EXPECT_EQ(l2, failed->reporter());
    EXPECT_EQ((Log{"initialize 1", "initialize 2"}), log);
}

TEST_F(ProtocolTest, SearchFindsTheLowestLayerAnsweringToAName) {
    EXPECT_EQ(nullptr, stack.search(Protocol_name_null()));
    struct Named : Protocol {
        explicit Named(const char* n) : label(n) {}
        const Protocol_name& name() const override { return label; }
        bool compare_name(const Protocol_name& n) const override { return label.compare(n); }
        Protocol_name_str label;
    };
    Protocol* lower = stack.add_protocol_head(new Named("tpkt"));
    stack.add_protocol_tail(new Named("tpkt"));
    EXPECT_EQ(lower, stack.search(Protocol_name_str(std::string("tpkt").c_str())));
    EXPECT_EQ(nullptr, stack.search(Protocol_name_str("lapd")));
    std::ostringstream out;
    out << *lower << ' ' << Protocol_name_str(nullptr);
    EXPECT_EQ("tpkt (no name)", out.str());

    // Names compare by kind and text; copies own their text.
    EXPECT_TRUE(Protocol_name_null().compare(Protocol_name_null()));
    EXPECT_FALSE(Protocol_name_null().compare(Protocol_name_str(nullptr)));
    EXPECT_FALSE(Protocol_name_str(nullptr).compare(Protocol_name_null()));
    auto* original = new Protocol_name_str("tpkt");
    Protocol_name_str copy(*original);
    delete original;
    EXPECT_STREQ("tpkt", copy.name());
    copy = Protocol_name_str("ss7");
    EXPECT_STREQ("ss7", copy.name());
}

using StackLifetimeTest = PacketLeakCheck;

TEST_F(StackLifetimeTest, LayersAreFreedWithTheirStackOrAlone) {
    Log log;
    {
        Owner outer;
        auto* family = new ProtocolsFamily;
        outer.add_protocol_tail(new Layer(log, 'x'));
        outer.add_protocol_tail(family);
        family->add_protocol_tail(new Layer(log, 'p'));
        Layer* doomed = new Layer(log, 'q');
        family->add_protocol_tail(doomed);
        family->add_protocol_tail(new Layer(log, 'r'));

        // Deleting one layer closes the gap in its stack.
        delete doomed;
        outer.activate();
        EXPECT_EQ((Log{"activate x", "activate p", "activate r"}), log);
        outer.deactivate();
    }

    // A layer in no stack drops what it sends.
    Layer alone(log, 'a');
    Packet p;
    p.reserve_head(1);
    alone.transmit(p);
    alone.message(p);
    EXPECT_EQ("61", p.text());
}

TEST_F(StackLifetimeTest, PacketsActivationAndDeactivationCrossAFamilyBothWays) {
    // Outer stack X (bottom), F, Y (top); the family F holds P (bottom) and Q.
    Log log;
    Owner outer;
    auto *x = new Layer(log, 'X'), *y = new Layer(log, 'Y'), *p = new Layer(log, 'P');
    auto* family = new ProtocolsFamily;
    outer.add_protocol_tail(x);
    outer.add_protocol_tail(family);
    outer.add_protocol_tail(y);
    family->add_protocol_head(new Layer(log, 'Q'));
    family->add_protocol_head(p);

    Packet out;
    y->prepare_head(out);
    out.put8(0x01);
    y->message(out);
    ASSERT_EQ(1u, outer.sent.size());
    EXPECT_EQ("58 50 51 59 01", outer.sent[0]);
    // The stack reserved exactly the room of its four headers.
    std::ostringstream layout;
    out.dump(layout);
    EXPECT_EQ("head=0, data=5, tail=65531", layout.str());

    Packet in;
    in.reserve_head(0);
    for (char c : {'X', 'P', 'Q', 'Y'}) in.put8(c);
    in.put8(0x02);
    x->receive(in);
    EXPECT_EQ(std::vector<std::string>{"02"}, outer.received);
    EXPECT_TRUE(log.empty()) << log[0];

    y->activate();
    EXPECT_EQ((Log{"activate X", "activate P", "activate Q", "activate Y"}), log);
    EXPECT_EQ(std::vector<Protocol*>{y}, outer.activated);

    // Only the inner top layer's activation makes the family active.
    family->on_activated(p);
    EXPECT_EQ(4u, log.size());

    log.clear();
    y->deactivate();
    EXPECT_EQ((Log{"deactivate Y", "deactivate Q", "deactivate P", "deactivate X"}), log);
    EXPECT_EQ(std::vector<Protocol*>{x}, outer.deactivated);
    EXPECT_TRUE(outer.statuses[0]->success());
    EXPECT_EQ("success", outer.statuses[0]->message());
    EXPECT_EQ(x, outer.statuses[0]->reporter());

    log.clear();
    outer.deactivated.clear();
    p->fail_deactivation = true;
    y->deactivate();
    EXPECT_EQ((Log{"deactivate Y", "deactivate Q", "deactivate P"}), log);
    ASSERT_EQ(std::vector<Protocol*>{y}, outer.deactivated);
    EXPECT_EQ(p, outer.statuses.back()->reporter());
    EXPECT_FALSE(outer.statuses.back()->success());
    std::ostringstream text;
    outer.statuses.back()->out(text);
    EXPECT_EQ("link down", text.str());
}

TEST_F(StackLifetimeTest, AnEmptyFamilyFailsToInitialiseAndDropsPackets) {
    ProtocolsFamily empty;
    Smart_pointer<Internal_protocol_status> status = empty.initialize();
    EXPECT_FALSE(status->success());
    EXPECT_EQ("error", status->message());

    Packet p;
    empty.prepare_head(p);
    EXPECT_TRUE(p.null());
    empty.message(p);
    empty.receive(p);
    empty.activate();
    empty.deactivate();
}

TEST(ProtocolStatusDeathTest, ANullStatusEndsTheProcessAsASharedHandleAssertionDoes) {
    Smart_pointer<Internal_protocol_status> none;
    EXPECT_DEATH(none->success(), "SMART POINTER ASSERTION!\n");
    EXPECT_DEATH(SharedPtrAssertion(), "SHARED POINTER ASSERTION!\n");
}
