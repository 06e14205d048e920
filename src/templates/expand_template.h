#pragma once
// Placeholders of the text templates, filled in when a template is pasted: {date}, {time},
// {datetime}, {clipboard} and {now:FORMAT}, names without regard to case.
#include <string>

#include "platform/clipboard_text.h"
#include "platform/clock.h"
#include "templates/date_format.h"

namespace vm {

// Never throws: a placeholder that cannot be filled stays as written, and a clipboard that cannot
// be read gives an empty text. The clipboard is asked only when the template holds "{clipboard}".
// The clock is read anew for each of {date}, {time} and {datetime} and for every {now:...}.
std::u16string ExpandTemplate(const std::u16string& ATemplate, IClock& AClock, IClipboardText& AClipboard,
                              const TFormatSettings& ASettings = RegionalSettings());

} // namespace vm
