// regsvr --info: the resources of a component library, read from its file
// without loading it.
#pragma once

#include <cstdio>
#include <string>

// Prints every resource of the library at path to out; 0 when the file
// holds a readable resource table, 1 otherwise (message on err).
int PrintResourceInfo(const std::string& path, std::FILE* out, std::FILE* err);
