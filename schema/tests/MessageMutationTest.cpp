// Octets a peer may send instead of a message: every prefix and single-bit flip of encoded
// controller and agent messages, and random octets. Each decodes or is refused, under the
// sanitizers.
#include "asn1/tests/PerTestSupport.h"
#include "schema/LGCP.h"
#include "schema/MON.h"
#include "asn1/tests/RecordValue.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

// Messages that carry every alternative of `Part`, their command, response or signal choice
// (PDU alternative `pdu`), with and without their optional parts, encoded.
template <class Message, class Part>
void addMessages(std::vector<std::vector<char>>& messages, int pdu) {
    const unsigned alternatives = Part::theInfo.knownCount;
    for (bool withOptionals : {true, false}) {
        for (unsigned choice = 0; choice < alternatives; ++choice) {
            auto message = RecordValue::make(&Message::theInfo, withOptionals, 0);
            auto part = RecordValue::make(&Part::theInfo, withOptionals, choice);
            static_cast<Message&>(*message).set_pdu().setSelection(pdu, part.release());
            std::vector<char> octets = PerTest::octets(PerTest::encode(*message));
            EXPECT_FALSE(octets.empty()) << choice;
            messages.push_back(octets);
        }
    }
}

struct Outcome {
    unsigned decoded = 0, refused = 0;
};

// Every prefix and every bit flip of the first 64 octets.
template <class Message>
Outcome mutate(const std::vector<std::vector<char>>& messages) {
    Outcome outcome;
    for (const std::vector<char>& message : messages) {
        for (std::size_t n = 0; n < message.size(); ++n) {
            std::vector<char> prefix(message.begin(), message.begin() + n);
            (PerTest::exercise(&Message::theInfo, prefix) ? outcome.decoded : outcome.refused)++;
        }
        for (std::size_t bit = 0; bit < std::min<std::size_t>(message.size(), 64) * 8; ++bit) {
            std::vector<char> flipped = message;
            flipped[bit / 8] ^= char(0x80 >> (bit % 8));
            (PerTest::exercise(&Message::theInfo, flipped) ? outcome.decoded : outcome.refused)++;
        }
    }
    return outcome;
}

// Messages carrying each command, response and signal, mutated.
template <class Message, class Command, class Response, class Signal>
void expectMutantsDecodedOrRefused() {
    std::vector<std::vector<char>> messages;
    addMessages<Message, Command>(messages, 0);
    addMessages<Message, Response>(messages, 1);
    addMessages<Message, Signal>(messages, 2);
    Outcome outcome = mutate<Message>(messages);
    EXPECT_GT(outcome.decoded, 0u);
    EXPECT_GT(outcome.refused, 0u);
}

TEST(MessageMutation, ControllerMessages) {
    expectMutantsDecodedOrRefused<LGCP::Message, LGCP::Command, LGCP::Response, LGCP::Signal>();
}

TEST(MessageMutation, AgentMessages) {
    expectMutantsDecodedOrRefused<MON::Message, MON::Command, MON::Response, MON::Signal>();
}

TEST(MessageMutation, RandomOctets) {
    std::mt19937 random(20001);
    unsigned decoded = 0;
    for (int i = 0; i < 20000; ++i) {
        std::vector<char> input(std::uniform_int_distribution<int>(0, 40)(random));
        for (char& octet : input) octet = char(std::uniform_int_distribution<int>(0, 255)(random));
        decoded +=
            PerTest::exercise(i % 2 ? &LGCP::Message::theInfo : &MON::Message::theInfo, input);
    }
    EXPECT_GT(decoded, 0u);
}

}  // namespace
