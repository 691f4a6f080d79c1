// The table of LQL names: every reserved word, search parameter, output
// name and token type with its kind flags and id, and the lookups by name
// (without regard to case) and by id.
#include "lql/keyword_table.h"

#include <cstring>

#include "support/ascii.h"

namespace {

// The rows stand in the order that decides the listings and the name shown
// for an id. Alternative spellings share the id of the row they stand for.
const CKeywordEntry g_aKeywordTable[] = {
    // clang-format off
//    kind                                id    name
    { KW_SEARCH | KW_OUTPUT,                0, "ack"                  },
    { KW_SEARCH | KW_OUTPUT,                1, "action"               },
    { KW_SEARCH | KW_OUTPUT,               96, "algmodname"           },
    { KW_SEARCH | KW_OUTPUT,               97, "algsessionid"         },
    { KW_RESERVED,                          2, "all"                  },
    { KW_RESERVED,                          3, "and"                  },
    { KW_SEARCH | KW_OUTPUT,                4, "arp"                  },
    { KW_ALIAS | KW_SEARCH | KW_OUTPUT,     4, "arpopcode"            },
    { KW_OUTPUT,                            5, "arphwdest"            },
    { KW_ALIAS | KW_OUTPUT,                 5, "arpdesthw"            },
    { KW_OUTPUT,                            6, "arphwsrc"             },
    { KW_ALIAS | KW_OUTPUT,                 6, "arpsrchw"             },
    { KW_SEARCH | KW_OUTPUT,               99, "authagent"            },
    { KW_SEARCH | KW_OUTPUT,              100, "authevent"            },
    { KW_SEARCH | KW_OUTPUT,               98, "authrule"             },
    { KW_OUTPUT,                            7, "binary"               },
    { KW_SEARCH | KW_OUTPUT,                8, "category"             },
    { KW_SEARCH | KW_OUTPUT,                9, "conn"                 },
    { KW_ALIAS | KW_SEARCH | KW_OUTPUT,     9, "connevent"            },
    { KW_OUTPUT,                           10, "connusage"            },
    { KW_SEARCH | KW_OUTPUT,               82, "cwr"                  },
    { KW_OUTPUT,                           11, "date"                 },
    { KW_RESERVED,                         12, "day"                  },
    { KW_RESERVED,                         13, "days"                 },
    { KW_SEARCH | KW_OUTPUT,               14, "description"          },
    { KW_ALIAS | KW_SEARCH | KW_OUTPUT,    15, "destenet"             },
    { KW_SEARCH | KW_OUTPUT,              103, "destusername"         },
    { KW_SEARCH | KW_OUTPUT,               16, "destiface"            },
    { KW_SEARCH | KW_OUTPUT,               17, "destip"               },
    { KW_SEARCH | KW_OUTPUT,               18, "destport"             },
    { KW_OUTPUT,                           19, "devdate"              },
    { KW_OUTPUT,                           20, "devtime"              },
    { KW_SEARCH | KW_OUTPUT,              107, "dynroutingdestproc"   },
    { KW_SEARCH | KW_OUTPUT,              105, "dynroutingevent"      },
    { KW_SEARCH | KW_OUTPUT,              106, "dynroutingsrcproc"    },
    { KW_SEARCH | KW_OUTPUT,               81, "ece"                  },
    { KW_RESERVED,                         83, "End of stream"        },
    { KW_RESERVED | KW_SEARCH,             21, "enet"                 },
    { KW_SEARCH | KW_OUTPUT,               22, "enetproto"            },
    { KW_RESERVED,                         86, "Error"                },
    { KW_SEARCH | KW_OUTPUT,               23, "event"                },
    { KW_OUTPUT,                           24, "explanation"          },
    { KW_RESERVED,                         25, "file"                 },
    { KW_SEARCH | KW_OUTPUT,               26, "fin"                  },
    { KW_ALIAS | KW_OUTPUT,                27, "firewall"             },
    { KW_RESERVED,                         29, "from"                 },
    { KW_RESERVED,                         30, "full"                 },
    { KW_RESERVED,                         31, "hours"                },
    { KW_SEARCH | KW_OUTPUT,               15, "hwdest"               },
    { KW_SEARCH | KW_OUTPUT,               58, "hwsrc"                },
    { KW_SEARCH | KW_OUTPUT,               32, "icmpdestip"           },
    { KW_SEARCH | KW_OUTPUT,               33, "icmpdestport"         },
    { KW_OUTPUT,                           34, "icmpipproto"          },
    { KW_SEARCH | KW_OUTPUT,               35, "icmpsrcip"            },
    { KW_SEARCH | KW_OUTPUT,               36, "icmpsrcport"          },
    { KW_OUTPUT,                           37, "icmpstd"              },
    { KW_SEARCH | KW_OUTPUT,               38, "icmptype"             },
    { KW_SEARCH | KW_OUTPUT,               39, "id"                   },
    { KW_RESERVED,                         42, "in"                   },
    { KW_RESERVED | KW_SEARCH,             43, "ip"                   },
    { KW_OUTPUT,                           40, "ipdatalen"            },
    { KW_OUTPUT,                           41, "iphdrlen"             },
    { KW_SEARCH | KW_OUTPUT,               44, "ipproto"              },
    { KW_ALIAS | KW_OUTPUT,                45, "iptotallen"           },
    { KW_OUTPUT,                           45, "iptotlen"             },
    { KW_RESERVED,                         46, "last"                 },
    { KW_RESERVED,                         47, "not"                  },
    { KW_RESERVED,                         84, "Number"               },
    { KW_RESERVED,                         48, "or"                   },
    { KW_OUTPUT,                           49, "origsent"             },
    { KW_OUTPUT,                          113, "ospfloglevel"         },
    { KW_OUTPUT,                          112, "ospflogsection"       },
    { KW_OUTPUT,                           14, "params"               },
    { KW_SEARCH | KW_OUTPUT,               50, "psh"                  },
    { KW_RESERVED,                         51, "realtime"             },
    { KW_SEARCH | KW_OUTPUT,               52, "recvif"               },
    { KW_ALIAS | KW_SEARCH | KW_OUTPUT,    52, "recviface"            },
    { KW_SEARCH | KW_OUTPUT,              111, "routegw"              },
    { KW_SEARCH | KW_OUTPUT,              108, "routeiface"           },
    { KW_SEARCH | KW_OUTPUT,              109, "routemetric"          },
    { KW_SEARCH | KW_OUTPUT,              110, "routerange"           },
    { KW_SEARCH | KW_OUTPUT,               53, "rst"                  },
    { KW_SEARCH | KW_OUTPUT,               54, "rule"                 },
    { KW_SEARCH | KW_OUTPUT,               55, "satdestrule"          },
    { KW_SEARCH | KW_OUTPUT,               56, "satsrcrule"           },
    { KW_OUTPUT,                           28, "vantgard"             },
    { KW_RESERVED,                         57, "select"               },
    { KW_SEARCH | KW_OUTPUT,               95, "severity"             },
    { KW_ALIAS | KW_SEARCH | KW_OUTPUT,    58, "srcenet"              },
    { KW_SEARCH | KW_OUTPUT,               59, "srcip"                },
    { KW_SEARCH | KW_OUTPUT,               60, "srcport"              },
    { KW_SEARCH | KW_OUTPUT,              102, "srcusername"          },
    { KW_OUTPUT,                           61, "standard"             },
    { KW_RESERVED,                         85, "String"               },
    { KW_SEARCH | KW_OUTPUT,               62, "syn"                  },
    { KW_RESERVED | KW_SEARCH,             63, "tcp"                  },
    { KW_OUTPUT,                           64, "tcpdatalen"           },
    { KW_OUTPUT,                           65, "tcpflags"             },
    { KW_OUTPUT,                           69, "tcphdrlen"            },
    { KW_OUTPUT,                           66, "tcpstd"               },
    { KW_ALIAS | KW_OUTPUT,                67, "tcptotallen"          },
    { KW_OUTPUT,                           67, "tcptotlen"            },
    { KW_OUTPUT,                           68, "termsent"             },
    { KW_OUTPUT,                           70, "time"                 },
    { KW_RESERVED,                         71, "times"                },
    { KW_RESERVED,                         72, "to"                   },
    { KW_OUTPUT,                           73, "ttl"                  },
    { KW_OUTPUT,                           74, "udpdatalen"           },
    { KW_RESERVED | KW_SEARCH,             76, "udp"                  },
    { KW_OUTPUT,                           75, "udpstd"               },
    { KW_OUTPUT,                           78, "udptotlen"            },
    { KW_ALIAS | KW_OUTPUT,                78, "udptotallen"          },
    { KW_SEARCH | KW_OUTPUT,               77, "urg"                  },
    { KW_OUTPUT,                           79, "usage"                },
    { KW_SEARCH | KW_OUTPUT,              101, "username"             },
    { KW_OUTPUT,                          104, "usernames"            },
    { KW_RESERVED,                         80, "where"                },
    { KW_ALIAS | KW_SEARCH | KW_OUTPUT,    81, "xmas"                 },
    { KW_ALIAS | KW_SEARCH | KW_OUTPUT,    82, "ymas"                 },
    { KW_RESERVED,                         87, "="                    },
    { KW_RESERVED,                         88, ">"                    },
    { KW_RESERVED,                         89, "<"                    },
    { KW_RESERVED,                         90, "("                    },
    { KW_RESERVED,                         91, ")"                    },
    { KW_RESERVED,                         92, "["                    },
    { KW_RESERVED,                         93, "]"                    },
    { KW_RESERVED,                         94, ","                    },
    { KW_RESERVED,                         -1, nullptr                },
    // clang-format on
};

static_assert(sizeof(g_aKeywordTable) / sizeof(g_aKeywordTable[0]) == CKeywordTable::kEntryCount + 1,
              "the keyword table has 127 rows and a terminator");

constexpr size_t kMaxKeywordLength = 255;

const CKeywordEntry* FindId(int32_t nId)
{
    for (const CKeywordEntry* p = g_aKeywordTable; p->m_nId != -1; ++p)
        if (p->m_nId == nId)
            return p;
    return nullptr;
}

}  // namespace

const CKeywordEntry* CKeywordTable::Entries()
{
    return g_aKeywordTable;
}

int32_t CKeywordTable::LookupKeyword(const char* pszName)
{
    if (pszName == nullptr || std::strlen(pszName) > kMaxKeywordLength)
        return -1;
    for (const CKeywordEntry* p = g_aKeywordTable; p->m_pszName != nullptr; ++p)
        if (EqualNoCase(p->m_pszName, pszName))
            return p->m_nId;
    return -1;
}

const char* CKeywordTable::IdToName(int32_t nId)
{
    const CKeywordEntry* p = FindId(nId);
    return p == nullptr ? nullptr : p->m_pszName;
}
