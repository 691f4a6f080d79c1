// The statement parser's messages: one row per id with its severity and
// printf-style format, and the lookup by id.
#include "lql/parse_message.h"

namespace {

const CParseMessage g_aParseMessages[CParseMessage::kCount] = {
    // clang-format off
//    severity        id  format
    { PARSE_ERROR,     0, "No valid input found"                                                    },
    { PARSE_ERROR,     1, "No Vantgard names found"                                                 },
    { PARSE_ERROR,     2, "No FROM keyword found"                                                   },
    { PARSE_ERROR,     3, "Expected a SELECT keyword"                                               },
    { PARSE_ERROR,     4, "Not a valid output type"                                                 },
    { PARSE_ERROR,     5, "No Vantgard names specified"                                             },
    { PARSE_ERROR,     6, "Out of memory"                                                           },
    { PARSE_ERROR,     7, "Error geting Vantgard names"                                             },
    { PARSE_WARNING,   8, "The Vantgard name was not found in the config file"                      },
    { PARSE_WARNING,   9, "There was an time statement found that did not contain any valid Vantgard names" },
    { PARSE_ERROR,    10, "Expected 'TIMES' or 'LAST' or 'REALTIME'"                                },
    { PARSE_ERROR,    11, "Expected AND,WHERE or a valid time statement"                            },
    { PARSE_ERROR,    12, "Use of reserved word as Vantgard name is not allowed"                    },
    { PARSE_ERROR,    13, "No valid Vantgard names in the search statement"                         },
    { PARSE_ERROR,    14, "%s"                                                                      },
    { PARSE_WARNING,  15, "%s"                                                                      },
    { PARSE_ERROR,    16, "Expected a Vantgard or a time statement"                                 },
    { PARSE_ERROR,    17, "Unexpected end of Vantgard name list"                                    },
    { PARSE_ERROR,    18, "The binary and plaintext output types can not be mixed"                  },
    { PARSE_ERROR,    19, "Expected a valid output type"                                            },
    { PARSE_ERROR,    20, "Not contain a valid filename"                                            },
    { PARSE_ERROR,    21, "The time value specified is out of range"                                },
    { PARSE_ERROR,    22, "Expected 'WHERE'"                                                        },
    // clang-format on
};

}  // namespace

const CParseMessage* CParseMessage::Find(int nId)
{
    if (nId < 0 || nId >= kCount)
        return nullptr;
    return &g_aParseMessages[nId];
}
