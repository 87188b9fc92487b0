#include "control/StatHtml.h"

#include <iostream>

namespace Stat {
namespace Html {

namespace {

// What a dropped section is expanded for: it has nothing, so nothing inside
// is written, yet every marker is still read.
class Nothing : public Object {
public:
    Value statistics_value(std::string const&) const override { return Value(); }
    Object* statistics_object(std::string const&) const override { return nullptr; }
    std::unique_ptr<IteratorBase> statistics_iterator(std::string const&) const override {
        return nullptr;
    }
};

}  // namespace

bool generateV1(Object& root, std::ostream& out, std::istream& in) {
    GeneratorV1 generator(root, out, in);
    return generator.generate();
}

GeneratorV1::GeneratorV1(Object& root, std::ostream& out, std::istream& in)
    : out(out), in(in), stack{&root} {}

bool GeneratorV1::generate() {
    ignore = 0;
    return generate_body();
}

GeneratorV1::Token GeneratorV1::parse() {
    input_state = &GeneratorV1::pinput_initial;
    output_state = &GeneratorV1::poutput_pass;
    token = Token();
    complete = false;
    capture.clear();
    char c;
    while (!complete) {
        if (!in.get(c)) {
            if (output_state == &GeneratorV1::poutput_capture) put(capture);
            return Token();
        }
        (this->*input_state)(c);
        (this->*output_state)(c);
    }
    return token;
}

bool GeneratorV1::generate_body() {
    for (;;) {
        const Token t = parse();
        switch (t.kind) {
            case Token::Kind::end:
                return true;
            case Token::Kind::value:
                value(t.name);
                break;
            case Token::Kind::section:
                if (t.name == "end") return true;
                if (!section(t.name)) return false;
                break;
        }
    }
}

// Sections are looked up in the current object only.
bool GeneratorV1::section(const std::string& name) {
    const Object& current = *stack.back();
    if (std::unique_ptr<IteratorBase> iteration = current.statistics_iterator(name))
        return repeat(*iteration, name);
    if (Object* sub = current.statistics_object(name)) return sub_object(*sub);
    return ignore_object();
}

// Each pass ends behind the section's end marker; the next one reads the
// section again from its start.
bool GeneratorV1::repeat(IteratorBase& iteration, const std::string& name) {
    if (!iteration.valid()) return ignore_object();
    const std::istream::pos_type start = in.tellg();
    for (;;) {
        Object* element = iteration.object();
        if (!(element ? sub_object(*element) : ignore_object())) return false;
        // A section cut off by the end of the template has nothing to repeat.
        if (!iteration.next() || !iteration.valid() || in.eof()) return true;
        if (start == std::istream::pos_type(-1) || !in.seekg(start)) {
            std::cerr << "Stat::Html: the template cannot be read again, section " << name
                      << " is not repeated" << std::endl;
            return false;
        }
    }
}

bool GeneratorV1::sub_object(Object& object) {
    if (stack.size() > max_depth) {
        std::cerr << "Stat::Html: sections nested deeper than " << max_depth
                  << ", the page stops there" << std::endl;
        return false;
    }
    stack.push_back(&object);
    const bool done = generate_body();
    stack.pop_back();
    return done;
}

bool GeneratorV1::ignore_object() {
    ++ignore;
    Nothing nothing;
    const bool done = sub_object(nothing);
    --ignore;
    return done;
}

// Values are found in enclosing objects too; a name nobody has is copied
// through as it was written.
void GeneratorV1::value(const std::string& name) {
    for (auto it = stack.rbegin(); it != stack.rend(); ++it)
        if (const Value found = (*it)->statistics_value(name)) return put(found.GetText());
    put(capture);
}

void GeneratorV1::put(char c) {
    if (ignore == 0) out.put(c);
}

void GeneratorV1::put(std::string const& text) {
    if (ignore == 0) out << text;
}

void GeneratorV1::output(State s) {
    if (s == output_state) return;
    if (s == &GeneratorV1::poutput_capture) capture.clear();
    output_state = s;
}

void GeneratorV1::flush() {
    put(capture);
    input(&GeneratorV1::pinput_section_body);
    output(&GeneratorV1::poutput_pass);
}

void GeneratorV1::expect(char c, char wanted, State next) {
    if (c == wanted)
        input(next);
    else
        flush();
}

void GeneratorV1::pinput_initial(char c) {
    if (c == '<') {
        input(&GeneratorV1::pinput_section_open);
        output(&GeneratorV1::poutput_capture);
    } else if (c == '%') {
        input(&GeneratorV1::pinput_value_open);
        output(&GeneratorV1::poutput_capture);
    }
}

void GeneratorV1::pinput_section_open(char c) {
    expect(c, '!', &GeneratorV1::pinput_section_comment1);
}

// An ordinary tag or comment is copied through up to its first ">".
void GeneratorV1::pinput_section_body(char c) {
    if (c == '>') input(&GeneratorV1::pinput_initial);
}

void GeneratorV1::pinput_section_comment1(char c) {
    expect(c, '-', &GeneratorV1::pinput_section_comment2);
}

void GeneratorV1::pinput_section_comment2(char c) {
    if (c != '-') return flush();
    token.kind = Token::Kind::section;
    token.name.clear();
    input(&GeneratorV1::pinput_section_obj_begin1);
}

// A name may hold single hyphens; a double one ends it.
void GeneratorV1::pinput_section_obj_name(char c) {
    if (c == '-')
        input(&GeneratorV1::pinput_section_obj_name_end1);
    else
        token.name += c;
}

void GeneratorV1::pinput_section_obj_name_end1(char c) {
    if (c == '-') return input(&GeneratorV1::pinput_section_obj_name_end2);
    token.name += '-';
    token.name += c;
    input(&GeneratorV1::pinput_section_obj_name);
}

void GeneratorV1::pinput_section_obj_name_end2(char c) {
    if (c == '>') complete = true;
}

void GeneratorV1::pinput_value_open(char c) {
    if (c == '%') {
        // "%%" stands for itself: the first one from the capture, the second as it passes.
        put("%");
        input(&GeneratorV1::pinput_initial);
        output(&GeneratorV1::poutput_pass);
        return;
    }
    token.kind = Token::Kind::value;
    token.name.assign(1, c);
    input(&GeneratorV1::pinput_value_body);
}

void GeneratorV1::pinput_value_body(char c) {
    if (c == '%')
        complete = true;
    else
        token.name += c;
}

}  // namespace Html
}  // namespace Stat
