#pragma once

// The pictures diagtool carries inside itself (":/content/..."). They live in
// a static library, so the program registers them once at start.
void registerDiagtoolContent();
