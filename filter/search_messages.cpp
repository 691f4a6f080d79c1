// The table of the filter's rejection messages, one row per ESearchMessage
// in enum order (checked at compile time), and RaiseSearchError, which throws
// a message's text as a CErrorText.
#include "filter/search_messages.h"

#include "support/assert.h"
#include "support/error_text.h"

namespace {

// Filter values are formatted into a buffer of this size.
const size_t kMessageBufferSize = 512;

struct CSearchMessageRow {
    ESearchMessage m_eMessage;
    const char* m_pszText;
};

// The texts are the system's own and stay as written, spelling included.
constexpr CSearchMessageRow g_aSearchMessages[] = {
    // clang-format off
//    message                         text
    { SMSG_INCORRECT_IP,              "Incorrect ip address"                                             },
    { SMSG_INCORRECT_PORT,            "Incorrect port value"                                             },
    { SMSG_INCORRECT_PROTOCOL,        "Incorrect protocol number"                                        },
    { SMSG_UNKNOWN_PROTOCOL,          "Unknown protocol type"                                            },
    { SMSG_STRING_TOO_LONG,           "String to long."                                                  },
    { SMSG_INCORRECT_ETHERNET,        "Incorrect ethernet address"                                       },
    { SMSG_INCORRECT_ICMP_TYPE,       "Incorrect icmp type number"                                       },
    { SMSG_UNKNOWN_ETHER_TYPE,        "Unknown ethernet protocol type"                                   },
    { SMSG_UNKNOWN_CONNEVENT,         "Unknown connevent"                                                },
    { SMSG_UNKNOWN_PARAMETER,         "Unknown search parameter specified"                               },
    { SMSG_ONLY_ASSIGNMENT,           "Only assignment operator is supported for this search parameter"  },
    { SMSG_INCORRECT_BIT,             "Incorrect bit value."                                             },
    { SMSG_INCORRECT_INDEX,           "Incorrect index value"                                            },
    { SMSG_NOT_IN_INDEX,              "Search parameter not supported in a index statemenet"             },
    { SMSG_NOT_IN_LIST,               "Search parameter not supported in a IN statemenet"                },
    { SMSG_INVALID_RANGE,             "Invalid range specified"                                          },
    { SMSG_UNKNOWN_ICMP_TYPE,         "Unknown icmp type"                                                },
    { SMSG_INCORRECT_ALG_SESSION,     "Incorrect ALG session ID"                                         },
    { SMSG_INCORRECT_SEVERITY,        "Incorrect severity value"                                         },
    { SMSG_UNKNOWN_AUTH_EVENT,        "Unknown user auth event"                                          },
    { SMSG_INCORRECT_ID,              "Incorrect ID"                                                     },
    { SMSG_INCORRECT_ROUTEMETRIC,     "Incorrect routemetric value"                                      },
    { SMSG_UNKNOWN_DYNROUTINGEVENT,   "Unknown dynroutingevent value"                                    },
    { SMSG_UNKNOWN_ARP,               "Unknown arp operation"                                            },
    // clang-format on
};

constexpr bool RowsInEnumOrder()
{
    for (int i = 0; i < SMSG_COUNT; ++i)
        if (g_aSearchMessages[i].m_eMessage != static_cast<ESearchMessage>(i))
            return false;
    return true;
}

static_assert(sizeof(g_aSearchMessages) / sizeof(g_aSearchMessages[0]) == SMSG_COUNT, "one row per message");
static_assert(RowsInEnumOrder(), "rows stand in the order of ESearchMessage");

}  // namespace

const char* SearchMessageText(ESearchMessage eMessage)
{
    SARNITH_ASSERT(eMessage >= 0 && eMessage < SMSG_COUNT);
    return g_aSearchMessages[eMessage].m_pszText;
}

void RaiseSearchError(ESearchMessage eMessage)
{
    throw CErrorText::Format(kMessageBufferSize, "%s", SearchMessageText(eMessage));
}
