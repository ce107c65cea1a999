#include "arena/world/scene_overrides.h"

#include <cctype>
#include <charconv>

#include <toml++/toml.h>

namespace arena {
namespace {

using tinyxml2::XMLElement;

[[noreturn]] void fail(const Override& o, const std::string& what) { throw WorldError(o.origin() + ": " + what); }

std::string number_text(double v) {
    char buf[32];
    auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
    return std::string(buf, end);
}

// The attribute's text: a TOML number or array of numbers written
// space-separated, a TOML string as its content, anything else as given.
std::string attribute_text(const std::string& value) {
    toml::table t;
    try {
        t = toml::parse("v = " + value);
    } catch (const toml::parse_error&) {
        return value;
    }
    const toml::node& v = *t.get("v");
    if (v.is_number()) return number_text(*v.value<double>());
    if (v.is_string()) return v.as_string()->get();
    const toml::array* a = v.as_array();
    if (!a || a->empty()) return value;
    std::string out;
    for (const toml::node& n : *a) {
        if (!n.is_number()) return value;
        out += (out.empty() ? "" : " ") + number_text(*n.value<double>());
    }
    return out;
}

XMLElement* find(XMLElement* e, const std::string& tag, const std::string& name) {
    for (; e; e = e->NextSiblingElement()) {
        const char* n = e->Attribute("name");
        if (tag == e->Name() && n && name == n) return e;
        if (XMLElement* inside = find(e->FirstChildElement(), tag, name)) return inside;
    }
    return nullptr;
}

XMLElement* element_of(tinyxml2::XMLDocument& doc, const Override& o, const std::string& scene) {
    XMLElement* root = doc.RootElement();
    switch (o.target) {
    case OverrideTarget::scene_option: {
        XMLElement* option = root->FirstChildElement("option");
        if (!option) option = root->InsertFirstChild(doc.NewElement("option"))->ToElement();
        return option;
    }
    case OverrideTarget::scene_inertial: {
        XMLElement* body = find(root, "body", o.name);
        if (!body) fail(o, "the scene " + scene + " has no <body name=\"" + o.name + "\">");
        XMLElement* inertial = body->FirstChildElement("inertial");
        if (!inertial)
            fail(o, "body \"" + o.name + "\" of " + scene + " has no <inertial>: its inertia comes from its geoms");
        return inertial;
    }
    case OverrideTarget::scene_element: {
        XMLElement* e = find(root, o.tag, o.name);
        if (!e) fail(o, "the scene " + scene + " has no <" + o.tag + " name=\"" + o.name + "\">");
        return e;
    }
    case OverrideTarget::manifest: break;
    }
    return nullptr;
}

// The printed text's elements in the same order as the document's.
void map_lines(const XMLElement* file, const XMLElement* text, std::map<int, int>& lines) {
    for (; file && text; file = file->NextSiblingElement(), text = text->NextSiblingElement()) {
        lines[text->GetLineNum()] = file->GetLineNum();
        map_lines(file->FirstChildElement(), text->FirstChildElement(), lines);
    }
}

}  // namespace

SceneEdit::SceneEdit(const std::filesystem::path& file, const Overrides& overrides) {
    bool any = false;
    for (const Override& o : overrides) any = any || o.target != OverrideTarget::manifest;
    if (!any) return;
    if (doc_.LoadFile(file.c_str()) != tinyxml2::XML_SUCCESS || !doc_.RootElement()) {
        throw WorldError(file.string() + ":" + std::to_string(doc_.ErrorLineNum()) + ": " + doc_.ErrorStr());
    }
    const std::string scene = file.filename().string();
    for (const Override& o : overrides) {
        if (o.target == OverrideTarget::manifest) continue;
        XMLElement* e = element_of(doc_, o, scene);
        e->SetAttribute(o.attribute.c_str(), attribute_text(o.value).c_str());
        keys_.emplace_back(e->GetLineNum(), o.key);
    }
    tinyxml2::XMLPrinter printer;
    doc_.Print(&printer);
    text_.assign(printer.CStr(), std::size_t(printer.CStrSize() - 1));
    tinyxml2::XMLDocument printed;
    printed.Parse(text_.c_str(), text_.size());
    map_lines(doc_.RootElement(), printed.RootElement(), lines_);
}

int SceneEdit::file_line(int text_line) const {
    auto it = lines_.find(text_line);
    return it == lines_.end() ? 0 : it->second;
}

// MuJoCo says where as "line N" and "Line number=N"; the scene's loader puts
// "FILE:N:" in front.
std::string SceneEdit::file_lines(const std::string& message) const {
    std::string out;
    std::size_t i = 0;
    while (i < message.size()) {
        std::size_t mark = std::string::npos, after = 0;
        for (const char* m : {"line ", "Line number=", ".xml:"}) {
            std::size_t at = message.find(m, i);
            if (at < mark) mark = at, after = at + std::char_traits<char>::length(m);
        }
        if (mark == std::string::npos) break;
        std::size_t end = after;
        while (end < message.size() && std::isdigit(static_cast<unsigned char>(message[end]))) ++end;
        out += message.substr(i, after - i);
        if (end > after) {
            const int line = file_line(std::stoi(message.substr(after, end - after)));
            out += line > 0 ? std::to_string(line) : message.substr(after, end - after);
        }
        i = end;
    }
    return out + message.substr(i);
}

std::string SceneEdit::blame(const std::string& message) const {
    if (empty()) return message;
    const std::string told = file_lines(message);
    std::string named;
    for (const auto& [line, key] : keys_) {
        if (line > 0 && told.find(":" + std::to_string(line) + ":") != std::string::npos)
            named += (named.empty() ? "" : ", ") + key;
    }
    if (!named.empty()) return "--set " + named + ": " + told;
    std::string all;
    for (const auto& [line, key] : keys_) all += (all.empty() ? "" : ", ") + key;
    return told + " (with --set " + all + ")";
}

}  // namespace arena
