// Statistics pages from HTML templates: "%name%" is replaced by the value of
// that name in the nearest enclosing statistics object, and a section
// "<!--GEN.name-->" ... "<!--GEN.end-->" is written once for the sub-object
// of that name, once per element of the list of that name, or not at all.
// Everything else is copied through.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "control/StatObject.h"

namespace Stat {
namespace Html {

// Writes the page for root. False, with one line on std::cerr, when a section
// had to be repeated on a template stream that cannot seek back, or when
// sections open deeper than max_depth; the page then stops there.
bool generateV1(Object& root, std::ostream& out, std::istream& in);

// The template is scanned character by character by two state machines:
// the input state recognises markers, the output state either writes each
// character or captures it while it may still belong to a marker.
class GeneratorV1 {
public:
    struct Token {
        enum class Kind { section = 0, value = 1, end = 2 };
        Kind kind = Kind::end;
        std::string name;
    };

    // Each open section costs a few frames of the stack.
    static constexpr unsigned max_depth = 256;

    GeneratorV1(Object& root, std::ostream& out, std::istream& in);
    bool generate();

private:
    using State = void (GeneratorV1::*)(char);

    // The next marker, the characters before it written; Kind::end at the
    // end of the template, a marker left unfinished there written as it stands.
    Token parse();
    // Expands up to the end marker of the current section or the end of the
    // template; false when the page cannot be completed.
    bool generate_body();
    bool section(const std::string& name);
    bool repeat(IteratorBase& iteration, const std::string& name);
    bool sub_object(Object& object);
    // Scans a section without writing anything, so its end marker is found.
    bool ignore_object();
    void value(const std::string& name);

    void put(char c);
    void put(std::string const& text);
    void input(State s) { input_state = s; }
    void output(State s);
    // The captured characters were no marker: write them and the current one.
    void flush();
    void expect(char c, char wanted, State next);

    void pinput_initial(char c);
    void pinput_section_open(char c);
    void pinput_section_body(char c);
    void pinput_section_comment1(char c);
    void pinput_section_comment2(char c);
    void pinput_section_obj_begin1(char c) {
        expect(c, 'G', &GeneratorV1::pinput_section_obj_begin2);
    }
    void pinput_section_obj_begin2(char c) {
        expect(c, 'E', &GeneratorV1::pinput_section_obj_begin3);
    }
    void pinput_section_obj_begin3(char c) {
        expect(c, 'N', &GeneratorV1::pinput_section_obj_begin4);
    }
    void pinput_section_obj_begin4(char c) {
        expect(c, '.', &GeneratorV1::pinput_section_obj_name);
    }
    void pinput_section_obj_name(char c);
    void pinput_section_obj_name_end1(char c);
    void pinput_section_obj_name_end2(char c);
    void pinput_value_open(char c);
    void pinput_value_body(char c);
    void poutput_pass(char c) { put(c); }
    void poutput_capture(char c) { capture += c; }

    std::ostream& out;
    std::istream& in;
    // Innermost last; values are looked up from there outwards.
    std::vector<Object*> stack;
    // Nothing is written while above 0.
    unsigned ignore = 0;
    State input_state = &GeneratorV1::pinput_initial;
    State output_state = &GeneratorV1::poutput_pass;
    Token token;
    bool complete = false;
    // The characters of a marker being read.
    std::string capture;
};

}  // namespace Html
}  // namespace Stat
