#pragma once
// A reference to an element of the host's XML document. An empty reference
// (the default) stands for "no document"; writers check IsEmpty first.
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace kz7 {

class XmlElement {
public:
    XmlElement() = default;
    explicit XmlElement(pugi::xml_node node) : node_(node) {}

    bool IsEmpty() const { return !node_; }
    std::string Name() const { return node_.name(); }

    // First child element called `name`; empty when there is none.
    XmlElement FirstChild(std::string_view name) const {
        return XmlElement(node_.child(std::string(name).c_str()));
    }
    // Next sibling element called `name`; empty when there is none.
    XmlElement NextSibling(std::string_view name) const {
        return XmlElement(node_.next_sibling(std::string(name).c_str()));
    }
    // Appends a child element called `name` and returns it.
    XmlElement AppendChild(std::string_view name) {
        return XmlElement(node_.append_child(std::string(name).c_str()));
    }

    std::string GetAttribute(std::string_view name) const {
        return node_.attribute(std::string(name).c_str()).value();
    }
    bool HasAttribute(std::string_view name) const {
        return static_cast<bool>(node_.attribute(std::string(name).c_str()));
    }
    // Sets the attribute, adding it when missing.
    void SetAttribute(std::string_view name, std::string_view value) {
        if (!node_) return;
        std::string key(name);
        pugi::xml_attribute attribute = node_.attribute(key.c_str());
        if (!attribute) attribute = node_.append_attribute(key.c_str());
        attribute.set_value(std::string(value).c_str());
    }

    pugi::xml_node Node() const { return node_; }

private:
    pugi::xml_node node_;
};

}  // namespace kz7
