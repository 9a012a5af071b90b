// Reads PNG, JPEG, BMP and whatever else Qt's image readers know into a grey
// picture; transparent parts count as white label.
#pragma once

#include <string>

#include "jobgen/JobGenerator.h"

namespace jobgen {

// False with a reason in *error when the file cannot be read as a picture.
bool readPicture(const std::string& path, GreyPicture& picture, std::string* error = nullptr);

} // namespace jobgen
