// The verbs of a simulated driver's control lines, named once: one table
// gives each verb its handler and gives the line's refusal, so a verb the
// table holds answers "error: bad argument" when its handler does not take
// the words after it, and only a verb it does not hold answers "error:
// unknown command".
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace Board {

// The words of a control line after its verb.
using SimArgs = std::vector<std::string>;
// A handler's reply line; none when the words are not the verb's arguments.
using SimReply = std::optional<std::string>;

template <class Model>
class SimVerbs {
public:
    struct Verb {
        const char* name;
        SimReply (Model::*handler)(const SimArgs& args);
    };

    SimVerbs(std::initializer_list<Verb> verbs) : verbs(verbs) {}

    // Whether the line's first word is one of the verbs.
    bool Has(const std::vector<std::string>& words) const { return Find(words) != nullptr; }
    // The reply to a line, given as its words, verb first.
    std::string Answer(Model& model, const std::vector<std::string>& words) const {
        const Verb* verb = Find(words);
        if (!verb) return "error: unknown command";
        const SimReply reply = (model.*verb->handler)(SimArgs(words.begin() + 1, words.end()));
        return reply ? *reply : "error: bad argument";
    }

private:
    const Verb* Find(const std::vector<std::string>& words) const {
        for (const Verb& verb : verbs)
            if (!words.empty() && words[0] == verb.name) return &verb;
        return nullptr;
    }

    const std::vector<Verb> verbs;
};

}  // namespace Board
