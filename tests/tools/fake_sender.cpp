// Plays another member's computer that sends notes, for the black-box runs of the program. It writes
// and reads the bytes of the shared folder's files by hand, independently of the program's own
// record codecs, so a run checks the program against the file layouts themselves; only the sharing
// locks come from the platform layer, so that the tool takes its turn on the files like any member.
//
//   fake_sender note <shared folder> <sender> <note id> <text> <top> <left> <width> <height>
//       Appends one note to the sender's note file ID<sender>.FDT (made when missing): sent, with the
//       given NoteId, text and position and size in twips, created now.
//   fake_sender send <shared folder> <sender> <sender name> <note id> <recipient> <recipient name> [kind]
//       Appends one send record of the note to the recipient to GRPINLY.FLG, sent now, with the
//       questionnaire kind (0 when not given).
//   fake_sender check <shared folder> <sender> <note id> <recipient>
//       Looks up the first send record of that sender, note and recipient in the log. Prints
//       "received <ReceivedNoteId> <AnswerCode>" (exit 0), "pending" (exit 1) or "missing" (exit 3).
//   fake_sender answer <shared folder> <sender> <note id> <recipient> <answer code>
//       Plays the recipient who answers: the first send record of that sender, note and recipient in
//       GRPINLY.FLG becomes received now, with the answer code and no note of the recipient's (exit 0;
//       3 when there is no such record).
//   fake_sender show <shared folder> <member>
//       Prints the member's notes, one line each:
//       "<index> id=<NoteId> top=.. left=.. width=.. height=.. sent=.. received=.. allreceived=..
//        peeled=.. partner=<PartnerName> text=<Text>" (booleans as the 16-bit values stored).
//
// Texts and names are bytes of the code page, given in ASCII with escapes: "\n" is a line break
// (CR LF), "\xNN" one byte, "\\" a backslash; they are printed the same way (bytes outside printable
// ASCII as "\xNN" in lower case). A file that cannot be read, or that ends inside a record, gives
// exit code 2 with a line on the error output.
#include "platform/clock.h"
#include "platform/sharedfile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using tw::FileError;
using tw::SharedFile;
using tw::ShareMode;

namespace {

// ---- bytes ----

void put16(std::string& out, int v) {
    const auto u = static_cast<uint16_t>(v);
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
}
void put32(std::string& out, uint32_t u) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}
void putDate(std::string& out, double d) {
    uint64_t u = 0;
    std::memcpy(&u, &d, 8);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}
void putText(std::string& out, const std::string& bytes) {
    put16(out, static_cast<int>(bytes.size()));
    out += bytes;
}
void putBool(std::string& out, bool b) { put16(out, b ? -1 : 0); }

// Reads fields front to back; any read past the end marks the reader short.
class Bytes {
public:
    explicit Bytes(const std::string& data) : d_(data) {}
    bool atEnd() const { return pos_ >= d_.size(); }
    bool shortRead() const { return short_; }
    size_t pos() const { return pos_; }
    int16_t i16() {
        if (!take(2)) return 0;
        const auto lo = static_cast<unsigned char>(d_[pos_]), hi = static_cast<unsigned char>(d_[pos_ + 1]);
        pos_ += 2;
        return static_cast<int16_t>(static_cast<uint16_t>(lo | (hi << 8)));
    }
    double date() {
        if (!take(8)) return 0;
        uint64_t u = 0;
        for (int i = 7; i >= 0; --i) u = (u << 8) | static_cast<unsigned char>(d_[pos_ + static_cast<size_t>(i)]);
        pos_ += 8;
        double d = 0;
        std::memcpy(&d, &u, 8);
        return d;
    }
    std::string text() {
        const auto n = static_cast<uint16_t>(i16());
        if (!take(n)) return {};
        std::string s = d_.substr(pos_, n);
        pos_ += n;
        return s;
    }
    void skip(size_t n) {
        if (take(n)) pos_ += n;
    }

private:
    bool take(size_t n) {
        if (!short_ && d_.size() - pos_ >= n) return true;
        short_ = true;
        pos_ = d_.size();
        return false;
    }
    const std::string& d_;
    size_t pos_ = 0;
    bool short_ = false;
};

// ---- texts on the command line ----

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            out += s[i];
        } else if (s[i + 1] == 'n') {
            out += "\r\n";
            ++i;
        } else if (s[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (s[i + 1] == 'x' && i + 3 < s.size() && hexDigit(s[i + 2]) >= 0 && hexDigit(s[i + 3]) >= 0) {
            out += static_cast<char>(hexDigit(s[i + 2]) * 16 + hexDigit(s[i + 3]));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string escape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            out += "\\n";
            ++i;
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int number(const char* s) { return std::atoi(s); }

// ---- time ----

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

// Now as the files count time: days since 1899-12-30 in local time, the time of day as the fraction.
double nowAsDays() {
    const tw::LocalTime t = tw::localTimeNow();
    const long long days = daysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) -
                           daysFromCivil(1899, 12, 30);
    return static_cast<double>(days) + (t.hour * 3600 + t.minute * 60 + t.second) / 86400.0;
}

// ---- files, with the sharing locks every member takes ----

std::string memberFile(const std::string& folder, int id, const char* ext) {
    char name[32];
    std::snprintf(name, sizeof name, "ID%05d%s", id, ext);
    return tw::joinPath(folder, name);
}

// Runs a file step; while another member holds the file it is tried again for up to 20 seconds.
template <class Step>
FileError whenFree(Step step) {
    const double until = tw::monotonicSeconds() + 20;
    for (;;) {
        FileError e = step();
        if (e.number != tw::kErrAccessDenied || tw::monotonicSeconds() > until) return e;
        tw::sleepMilliseconds(5);
    }
}

bool fail(const std::string& what, const FileError& e) {
    std::fprintf(stderr, "fake_sender: %s: error %d %s\n", what.c_str(), e.number, e.description.c_str());
    return false;
}

// Appends `bytes` to the file at `path` (made when missing) in one change under an exclusive lock.
bool appendToFile(const std::string& path, const std::string& bytes) {
    SharedFile f;
    FileError e = whenFree([&] { return f.open(path, ShareMode::ReadWriteExclusive); });
    if (e) return fail(path, e);
    std::string content;
    e = f.readAll(content);
    if (!e) e = whenFree([&] { return f.replaceContent(content + bytes); });
    f.close();
    return e ? fail(path, e) : true;
}

// The whole content, read while no other member may write; a missing file reads as empty.
bool readFile(const std::string& path, std::string& content) {
    SharedFile f;
    FileError e = whenFree([&] { return f.open(path, ShareMode::ReadDenyWrite); });
    if (!e) e = f.readAll(content);
    f.close();
    return e ? fail(path, e) : true;
}

// ---- commands ----

int writeNote(char** argv) {
    const std::string text = unescape(argv[5]);
    std::string r;
    putDate(r, nowAsDays());   // CreatedAt
    put16(r, number(argv[4])); // NoteId
    putText(r, text);
    for (int i = 6; i <= 9; ++i) put16(r, number(argv[i]));   // Top, Left, Width, Height
    putBool(r, false);         // HasPeriod
    putBool(r, true);          // IsSent
    putBool(r, false);         // IsReceived
    putBool(r, false);         // AllReceived
    putBool(r, false);         // AutoDelete
    putBool(r, false);         // IsPeeled
    putDate(r, 0);             // period start
    putDate(r, 0);             // period end
    putBool(r, false);         // period with times
    r.append(4, '\0');         // period reserved
    putText(r, "");            // PartnerName
    putDate(r, 0);             // PartnerAt
    put16(r, 0);               // ShapeIndex
    put16(r, 1);               // TextSize
    putText(r, "");            // PictureFile
    put32(r, 0);               // TextColor
    put16(r, 0);               // PictureMode
    put16(r, 0);               // Flags
    if (r.size() != 78 + text.size()) {
        std::fprintf(stderr, "fake_sender: a note record of %zu bytes\n", r.size());
        return 2;
    }
    return appendToFile(memberFile(argv[2], number(argv[3]), ".FDT"), r) ? 0 : 2;
}

int writeSend(int argc, char** argv) {
    const std::string sender = unescape(argv[4]), recipient = unescape(argv[7]);
    std::string r;
    putDate(r, nowAsDays());       // SentAt
    putText(r, sender);            // SenderName
    put16(r, number(argv[3]));     // SenderId
    put16(r, number(argv[5]));     // NoteId
    putDate(r, 0);                 // ReceivedAt: not received
    putText(r, recipient);         // RecipientName
    put16(r, number(argv[6]));     // RecipientId
    put16(r, 0);                   // ReceivedNoteId
    put16(r, argc > 8 ? number(argv[8]) : 0);   // QuestionKind
    put16(r, 0);                   // AnswerCode
    if (r.size() != 32 + sender.size() + recipient.size()) {
        std::fprintf(stderr, "fake_sender: a log record of %zu bytes\n", r.size());
        return 2;
    }
    return appendToFile(tw::joinPath(argv[2], "GRPINLY.FLG"), r) ? 0 : 2;
}

int checkSend(char** argv) {
    const int sender = number(argv[3]), note = number(argv[4]), recipient = number(argv[5]);
    std::string log;
    if (!readFile(tw::joinPath(argv[2], "GRPINLY.FLG"), log)) return 2;
    Bytes b(log);
    bool found = false;
    double receivedAt = 0;
    int localId = 0, answer = 0;
    while (!b.atEnd()) {
        const size_t at = b.pos();
        b.date();                       // SentAt
        b.text();                       // SenderName
        const int senderId = b.i16();
        const int noteId = b.i16();
        const double rcvAt = b.date();
        b.text();                       // RecipientName
        const int recipientId = b.i16();
        const int rcvNote = b.i16();
        b.i16();                        // QuestionKind
        const int code = b.i16();
        if (b.shortRead()) {
            std::fprintf(stderr, "fake_sender: the log ends inside the record at byte %zu\n", at);
            return 2;
        }
        if (!found && senderId == sender && noteId == note && recipientId == recipient) {
            found = true;
            receivedAt = rcvAt;
            localId = rcvNote;
            answer = code;
        }
    }
    if (!found) {
        std::printf("missing\n");
        return 3;
    }
    if (receivedAt == 0) {
        std::printf("pending\n");
        return 1;
    }
    std::printf("received %d %d\n", localId, answer);
    return 0;
}

int answerSend(char** argv) {
    const int sender = number(argv[3]), note = number(argv[4]), recipient = number(argv[5]);
    const std::string path = tw::joinPath(argv[2], "GRPINLY.FLG");
    SharedFile f;
    FileError e = whenFree([&] { return f.open(path, ShareMode::ReadWriteExclusive); });
    std::string log;
    if (!e) e = f.readAll(log);
    if (e) {
        fail(path, e);
        return 2;
    }
    Bytes b(log);
    while (!b.atEnd()) {
        const size_t at = b.pos();
        b.date();                       // SentAt
        b.text();                       // SenderName
        const int senderId = b.i16();
        const int noteId = b.i16();
        const size_t receivedAt = b.pos();
        b.date();                       // ReceivedAt
        b.text();                       // RecipientName
        const int recipientId = b.i16();
        const size_t receivedNote = b.pos();
        b.i16();                        // ReceivedNoteId
        b.i16();                        // QuestionKind
        b.i16();                        // AnswerCode
        if (b.shortRead()) {
            std::fprintf(stderr, "fake_sender: the log ends inside the record at byte %zu\n", at);
            return 2;
        }
        if (senderId != sender || noteId != note || recipientId != recipient) continue;
        std::string when, code;
        putDate(when, nowAsDays());
        put16(code, number(argv[6]));
        log.replace(receivedAt, 8, when);
        log.replace(receivedNote, 2, std::string(2, '\0'));
        log.replace(receivedNote + 4, 2, code);
        e = whenFree([&] { return f.replaceContent(log); });
        f.close();
        if (e) {
            fail(path, e);
            return 2;
        }
        return 0;
    }
    std::printf("missing\n");
    return 3;
}

int showNotes(char** argv) {
    std::string data;
    if (!readFile(memberFile(argv[2], number(argv[3]), ".FDT"), data)) return 2;
    Bytes b(data);
    for (int index = 0; !b.atEnd(); ++index) {
        const size_t at = b.pos();
        b.date();                                   // CreatedAt
        const int id = b.i16();
        const std::string text = b.text();
        const int top = b.i16(), left = b.i16(), width = b.i16(), height = b.i16();
        b.i16();                                    // HasPeriod
        const int sent = b.i16(), received = b.i16(), all = b.i16();
        b.i16();                                    // AutoDelete
        const int peeled = b.i16();
        b.skip(8 + 8 + 2 + 4);                      // period
        const std::string partner = b.text();
        b.date();                                   // PartnerAt
        b.skip(4);                                  // ShapeIndex, TextSize
        b.text();                                   // PictureFile
        b.skip(4 + 2 + 2);                          // TextColor, PictureMode, Flags
        if (b.shortRead()) {
            std::fprintf(stderr, "fake_sender: the note file ends inside the record at byte %zu\n", at);
            return 2;
        }
        std::printf("%d id=%d top=%d left=%d width=%d height=%d sent=%d received=%d allreceived=%d peeled=%d "
                    "partner=%s text=%s\n",
                    index, id, top, left, width, height, sent, received, all, peeled, escape(partner).c_str(),
                    escape(text).c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string cmd = argc > 1 ? argv[1] : "";
    int rc = -1;
    if (cmd == "note" && argc == 10) rc = writeNote(argv);
    else if (cmd == "send" && (argc == 8 || argc == 9)) rc = writeSend(argc, argv);
    else if (cmd == "check" && argc == 6) rc = checkSend(argv);
    else if (cmd == "answer" && argc == 7) rc = answerSend(argv);
    else if (cmd == "show" && argc == 4) rc = showNotes(argv);
    if (rc >= 0) {
        std::fflush(stdout);
        return rc;
    }
    std::fprintf(stderr,
                 "usage: fake_sender note <shared folder> <sender> <note id> <text> <top> <left> <width> <height>\n"
                 "       fake_sender send <shared folder> <sender> <sender name> <note id> <recipient> <recipient name> "
                 "[kind]\n"
                 "       fake_sender check <shared folder> <sender> <note id> <recipient>\n"
                 "       fake_sender answer <shared folder> <sender> <note id> <recipient> <answer code>\n"
                 "       fake_sender show <shared folder> <member>\n");
    return 2;
}
