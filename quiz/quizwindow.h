#pragma once

#include "forms/formdescription.h"

namespace quiz {

// The description of the quiz window: every control with its place, size, caption, colours,
// visibility, sort flag and focus order, and the battle table in its hidden lists.
forms::FormDescription quizWindowDescription();

} // namespace quiz
