// Who speaks on a line of a game's log. Anyone at a game can type a sentence that looks like the
// host's answer, so a line counts as the host's only where the host's own mark stands where a
// log writes the speaker: at the line's start, after at most one time stamp, with only the
// roller's name between it and the sentence.
#ifndef ORVIK_REPORT_SPEAKER_H
#define ORVIK_REPORT_SPEAKER_H

#include <cstddef>
#include <string_view>

namespace orvik {

// The length of the time stamp that starts line, with the blanks (spaces and tabs) after it; 0
// when none does. A stamp is one date and time as chat hosts and IRC clients write them: in
// brackets, "[19:40]", "[2026-12-09 19:40:12]", "(19:40)", "[12/9/2026, 7:40 PM]",
// "[Tue Dec 9 19:40:12 2026]", or bare and followed by a blank, "19:40", "2026-12-09 19:40:12",
// "2026-12-09T19:40:12.345Z", "Dec 09 19:40:12". It holds exactly one time of day (H:MM, and
// seconds and their fraction, and a zone, if given); a bare one ends with it, so that a name
// after it is never taken for part of the stamp.
std::size_t timeStampLength(std::string_view line);

// Whether before, what stands before an answer's sentence on its line, marks the line as
// spoken by mark: mark stands at the line's start, after leading blanks and at most one time
// stamp, then a blank (unless mark ends with one), then at most one word (the roller's name)
// and blanks up to the sentence.
bool spokenBy(std::string_view before, std::string_view mark);

}  // namespace orvik

#endif  // ORVIK_REPORT_SPEAKER_H
