// Log databases from a text description, for mklogdb and the example
// database.
//
// A description is a list of lines; "#" starts a comment (outside quotes),
// blank lines are ignored, values with blanks are written in double quotes.
//
//   gateway <name> <address>                  a configured gateway (FWNAMEn/FWIPn in order)
//   config <KEY>=<value>                      sets or adds a key of "Ostrel.cfg"
//   file <gateway> <YYYY-MM-DD> <seq> plain|gzip [first=<time>] [last=<time>]
//        [noend] [tag=<3 chars>] [cut=<bytes>]
//                                             starts a daily file; the entries below go into it
//   entry <time> <kind> [key=value ...]       an entry of the current file
//   generate count=<n> [seed=<n>] [from=<time>] [to=<time>]
//                                             n random entries in time order, spread over
//                                             the file's day or the part given
//
// Times are HH:MM:SS on the file's day or YYYY-MM-DDTHH:MM:SS (UTC); first=
// and last= also take 0. Kinds: drop, conn-open, conn-close, login, logout,
// usage, raw. Entry keys: id, severity, category, event, action, explain,
// params, rule, recvif, destif, proto (tcp, udp, icmp or a number),
// src=<ip>[:<port>], dst=<ip>[:<port>], flags (TCP flag letters FSRPAUEC),
// icmptype, icmpcode, ether=1, sent, received, user, agent, authrule, userip,
// iface=<name>:<interval>:<bytes in>:<bytes out> (repeatable),
// conns=<lowest>:<current>:<highest>, body=<hex bytes> (raw).
//
// Ownership: results are values owned by the caller.
#ifndef SARNITH_TESTING_DB_DESCRIPTION_H
#define SARNITH_TESTING_DB_DESCRIPTION_H

#include <string>

namespace testdata {

// Writes the described database under the root folder. False with a message
// "<line>: <problem>" when the description is wrong or a file cannot be written.
bool BuildDatabase(const std::string& strDescription, const std::string& strRootDir, std::string& strError);

}  // namespace testdata

#endif
