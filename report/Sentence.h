// The answer sentence's fixed words, for the code that writes it (Results.cpp, SneakAttack.cpp)
// and the code that reads it back from a log (AnswerReader.cpp): spelled once, so that the two
// cannot drift apart.
//   rolls [a ]TEXT and gets TOTAL{, TOTAL}.
//   TEXT of a sneak attack: ( sneak attack, +SNEAK ) [a ]MAIN
#ifndef ORVIK_REPORT_SENTENCE_H
#define ORVIK_REPORT_SENTENCE_H

#include <cstddef>
#include <cstring>
#include <string_view>

namespace orvik::sentence {

inline constexpr std::string_view kVerb = "rolls ";
// Before a text with no count ("d20"), which reads better with an article.
inline constexpr std::string_view kArticle = "a ";
inline constexpr std::string_view kGets = " and gets ";
inline constexpr std::string_view kBetween = ", ";  // between two totals
inline constexpr std::string_view kEnd = ".";       // after the last total
inline constexpr std::string_view kSneakHead = "( sneak attack, +";
inline constexpr std::string_view kSneakJoin = " ) ";  // between the sneak dice and the main roll

// Whether a text takes the article.
inline bool takesArticle(const char* text) {
    return text[0] == 'd';
}

// Every answer that is a result begins with the verb; every other one is a dice error (or empty,
// when memory ran out).
inline bool isResult(const char* answer, std::size_t length) {
    return length >= kVerb.size() && std::memcmp(answer, kVerb.data(), kVerb.size()) == 0;
}

}  // namespace orvik::sentence

#endif  // ORVIK_REPORT_SENTENCE_H
