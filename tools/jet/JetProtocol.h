// What the Jet reader child writes on its standard output, and the parser the
// parent reads it with. One record a line, fields apart by tabs:
//   T name rows columns    a table, with the row count its definition holds
//   C name type            one of its columns (libmdb's type number)
//   R value value ...      a row: "\N" is null, "\?" a text that cannot be decoded; \\ \t \n \r are escaped
//   E read declared        the end of a table's rows
//   K name file            a table linked to another file (a split database)
//   W                      the tables are listed: the reader waits for the ones to read, on its standard
//                          input one a line (name, then columns, escaped and apart by tabs), an empty line last
//   X message              the reader could not go on
//   Z                      the end; output cut before it is a failure
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>
#include <vector>

namespace tarvix::tool {

struct JetColumnInfo {
    QString name;
    int type = 0;
};

struct JetTableInfo {
    QString name;
    long long declaredRows = 0;
    std::vector<JetColumnInfo> columns;
};

// Valid only during the callback that is given it.
struct JetField {
    bool null = true;
    bool undecodable = false;  // its bytes are no text in the file's encoding
    QByteArrayView text;       // UTF-8, unescaped
    QByteArray storage;        // holds text when it had escapes
};

// libmdb's column types the importer takes.
namespace jettype {
inline constexpr int Byte = 0x02, Int = 0x03, Long = 0x04, Text = 0x0A, Memo = 0x0C;
}

class JetProtocolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Escapes a value for a record; the child's side.
QByteArray EscapeJetField(const char* data, std::size_t size);
// One line of the request: a table's name then its columns, as UTF-8; and back, on the child's side
// (JetProtocolError for a line that is not one).
QByteArray JetRequestLine(const QStringList& names);
std::vector<QByteArray> ParseJetRequestLine(const char* data, std::size_t size);
// The field that stands for a text that cannot be decoded.
inline constexpr const char* kUndecodableField = "\\?";

class JetOutputParser {
public:
    std::function<void(const JetTableInfo&)> onTable;
    std::function<void(const std::vector<JetField>&)> onRow;
    std::function<void(long long read, long long declared)> onTableEnd;
    std::function<void(const QString& name, const QString& file)> onLinked;
    std::function<void()> onWaiting;

    // Takes output as it comes; throws JetProtocolError on anything malformed.
    void feed(const char* data, std::size_t size);
    // The output is over: throws unless it ended with Z. Returns the reader's X message, if any.
    QString finish();

private:
    void line(const char* begin, const char* end);
    void columnsDone();  // the table's columns are all in: its rows follow
    QByteArray pending_;
    JetTableInfo table_;
    int columnsLeft_ = -1;  // -1: no table open
    bool inRows_ = false;
    bool ended_ = false;
    bool waited_ = false;
    QString failure_;
    std::vector<JetField> fields_;
    std::vector<std::pair<const char*, const char*>> parts_;
};

}  // namespace tarvix::tool
