#pragma once

#include "lookup/page.h"

#include <QString>

// The page as HTML: what SearchThread's finished(QString) delivers and
// `orvel-cli lookup --html` prints. All its markup is written here; every
// text of the page is escaped, so nothing typed or read from a dictionary
// is taken for markup. A page's note stands above it, its suggestions
// under it. A dictionary's section is written as a page of its own, so the
// HTML of a page's parts (SearchThread::PageParts), one after the other,
// is the HTML of the page they make.
namespace PageHtml {

QString write(const Page &page);

} // namespace PageHtml
