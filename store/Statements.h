// The statements the windows send, built the way the windows build them:
// literal pieces and texts between double quotes, each quote of a text doubled.
#pragma once

#include <QString>

namespace tarvix::store {

// "x" for x, with every double quote inside x doubled.
QString Quoted(const QString& text);

QString SearchStatement(const QString& keyword);
QString LinksStatement(const QString& word);
QString DeleteChapterStatement(const QString& title);
QString DeleteWordStatement(const QString& word);
QString DeleteLinkStatement(const QString& title, const QString& word);

}  // namespace tarvix::store
