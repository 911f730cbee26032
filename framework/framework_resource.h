// String-table ids of the dialog framework's standard prompts.
#pragma once

#define IDS_PROMPT_NUMBER 0xF110
#define IDS_PROMPT_POSITIVE_INTEGER 0xF111
#define IDS_PROMPT_INTEGER_RANGE 0xF112
