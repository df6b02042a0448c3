// Tokenisers that walk a text by a 1-based byte position.
#pragma once
#include <string>

// Splits at any of the delimiter characters and keeps empty fields. pos is
// 1-based; on return it points just past the delimiter that ended the token.
std::string GetToken(const std::string& text, int& pos, const std::string& delimiters);
// Splits at blanks and tabs and skips runs of them; "" means the end.
std::string GetWord(const std::string& text, int& pos);
