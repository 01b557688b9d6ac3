#include "store/Statements.h"

namespace tarvix::store {

QString Quoted(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

QString SearchStatement(const QString& keyword)
{
    return QStringLiteral("SELECT tblDictionar.Cuvant, tblCapitol.Capitol FROM tblCapitol INNER JOIN "
                          "(tblDictionar INNER JOIN tblLegatura ON tblDictionar.ID_Cuvant = tblLegatura.ID_Cuvant) "
                          "ON tblCapitol.ID_Capitol = tblLegatura.ID_Capitol WHERE tblDictionar.Cuvant=")
           + Quoted(keyword);
}

QString LinksStatement(const QString& word)
{
    return QStringLiteral(
               "SELECT tblCapitol.Capitol, tblCapitol.ID_Capitol, tblDictionar.Cuvant FROM tblDictionar "
               "INNER JOIN (tblCapitol INNER JOIN tblLegatura ON tblCapitol.ID_Capitol = tblLegatura.ID_Capitol) "
               "ON tblDictionar.ID_Cuvant = tblLegatura.ID_Cuvant WHERE tblDictionar.Cuvant=")
           + Quoted(word);
}

QString DeleteChapterStatement(const QString& title)
{
    return QStringLiteral("DELETE tblCapitol.Capitol From tblCapitol WHERE tblCapitol.Capitol=") + Quoted(title);
}

QString DeleteWordStatement(const QString& word)
{
    return QStringLiteral("DELETE tblDictionar.Cuvant From tblDictionar WHERE tblDictionar.Cuvant=") + Quoted(word);
}

QString DeleteLinkStatement(const QString& title, const QString& word)
{
    return QStringLiteral("DELETE tblLegatura.*, tblCapitol.Capitol, tblDictionar.Cuvant FROM tblDictionar INNER JOIN "
                          "(tblCapitol INNER JOIN tblLegatura ON tblCapitol.ID_Capitol = tblLegatura.ID_Capitol) "
                          "ON tblDictionar.ID_Cuvant = tblLegatura.ID_Cuvant WHERE tblCapitol.Capitol=")
           + Quoted(title) + QStringLiteral(" And tblDictionar.Cuvant = ") + Quoted(word);
}

}  // namespace tarvix::store
