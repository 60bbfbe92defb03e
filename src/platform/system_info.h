#pragma once

#include <string>

namespace korva {

// What SystemProperty reports for a property name (already lower-cased).
// Folder results end with exactly one "/"; anything unknown is "".
std::string systemProperty(const std::string& name);

// Starts a program or opens a document without waiting for it: an executable
// file runs with the given parameters, anything else goes to xdg-open. True
// when it could be started.
bool startDetached(const std::string& file, const std::string& parameters);

}  // namespace korva
