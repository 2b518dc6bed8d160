#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Makes the sample publication in OUTPUT: publication.xml and the PDFs of its three
# published books. Only bash, coreutils, iconv and the qpdf command line are used.
#
#   make-sample.sh SOURCE_FOLDER OUTPUT_FOLDER
#
# Each PDF is first written plainly, with exact byte offsets in a classic
# cross-reference table, then rewritten by qpdf: "User guide" with object streams and
# a cross-reference stream, "Release notes" and "Annual report" (which carries XMP
# metadata) with a classic table. qpdf --check must
# pass without a warning, or the build fails.
set -euo pipefail

[ $# -eq 2 ] || {
    echo "usage: $0 SOURCE_FOLDER OUTPUT_FOLDER" >&2
    exit 2
}
source_folder=$1
output=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A PDF text string in UTF-16BE with its byte-order mark, written as hex: the only
# encoding that carries text beyond PDFDocEncoding.
utf16() {
    printf '<FEFF%s>' "$(printf '%s' "$1" | iconv -f UTF-8 -t UTF-16BE | od -An -v -tx1 |
        tr -d ' \n' | tr 'a-f' 'A-F')"
}

# A PDF literal string for ASCII text: backslashes and parentheses escaped.
literal() {
    local text=${1//\\/\\\\}
    text=${text//(/\\(}
    text=${text//)/\\)}
    printf '(%s)' "$text"
}

# The raw writer: objects appended one by one, their offsets kept for the table.
pdf=
offsets=()
pdf_begin() {
    pdf=$1
    offsets=()
    printf '%%PDF-1.4\n%%\342\343\317\323\n' >"$pdf"
}
pdf_object() { # NUMBER BODY
    offsets[$1]=$(stat -c %s "$pdf")
    printf '%d 0 obj\n%s\nendobj\n' "$1" "$2" >>"$pdf"
}
pdf_stream() { # NUMBER DATA
    offsets[$1]=$(stat -c %s "$pdf")
    printf '%d 0 obj\n<< /Length %d >>\nstream\n%s\nendstream\nendobj\n' \
        "$1" "$(printf '%s' "$2" | wc -c)" "$2" >>"$pdf"
}
pdf_end() { # ROOT INFO
    local start count=$((${#offsets[@]} + 1)) n
    start=$(stat -c %s "$pdf")
    {
        printf 'xref\n0 %d\n0000000000 65535 f \n' "$count"
        for ((n = 1; n < count; n++)); do
            printf '%010d 00000 n \n' "${offsets[$n]}"
        done
        printf 'trailer\n<< /Size %d /Root %d 0 R /Info %d 0 R >>\nstartxref\n%d\n%%%%EOF\n' \
            "$count" "$1" "$2" "$start"
    } >>"$pdf"
}

# The content stream of one page: a heading and body lines in Helvetica.
page_content() { # HEADING LINE...
    local heading=$1 line
    shift
    printf 'BT /F1 24 Tf 72 720 Td %s Tj ET\nBT /F1 12 Tf 72 680 Td 16 TL\n' "$(literal "$heading")"
    for line in "$@"; do
        printf '%s Tj T*\n' "$(literal "$line")"
    done
    printf 'ET'
}

# make_book FILE INFO PAGE_FILE...: a book whose pages are described one per file,
# first line the heading, further lines the body. Objects: 1 catalogue, 2 page tree,
# 3 font, 4 information dictionary, then a page and its content per page, and last
# the XMP metadata stream when $xmp holds a packet.
xmp=
make_book() {
    local file=$1 info=$2
    shift 2
    local pages=$# kids= i=0 page catalog='<< /Type /Catalog /Pages 2 0 R >>'
    for ((i = 0; i < pages; i++)); do
        kids+="$((5 + 2 * i)) 0 R "
    done
    [ -z "$xmp" ] || catalog="<< /Type /Catalog /Pages 2 0 R /Metadata $((5 + 2 * pages)) 0 R >>"
    pdf_begin "$file"
    pdf_object 1 "$catalog"
    pdf_object 2 "<< /Type /Pages /Kids [ ${kids% } ] /Count $pages >>"
    pdf_object 3 '<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>'
    pdf_object 4 "$info"
    i=0
    for page in "$@"; do
        local lines=()
        mapfile -t lines <"$page"
        pdf_object $((5 + 2 * i)) "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] \
/Resources << /Font << /F1 3 0 R >> >> /Contents $((6 + 2 * i)) 0 R >>"
        pdf_stream $((6 + 2 * i)) "$(page_content "${lines[@]}")"
        i=$((i + 1))
    done
    if [ -n "$xmp" ]; then
        offsets[$((5 + 2 * pages))]=$(stat -c %s "$pdf")
        printf '%d 0 obj\n<< /Type /Metadata /Subtype /XML /Length %d >>\nstream\n%s\nendstream\nendobj\n' \
            $((5 + 2 * pages)) "$(printf '%s' "$xmp" | wc -c)" "$xmp" >>"$pdf"
    fi
    pdf_end 1 4
}

# qpdf_checked ARGS...: qpdf, where a warning (exit status 3) counts as a failure.
qpdf_checked() {
    qpdf "$@" || {
        echo "make-sample.sh: qpdf $* failed" >&2
        exit 1
    }
}

mkdir -p "$output/books"
cp "$source_folder/sample/publication.xml" "$output/publication.xml"

# "User guide": three pages; object streams and a cross-reference stream.
printf '%s\n' 'User guide' 'This guide shows how to prepare and publish a book.' \
    'Each chapter of the publication becomes a part of the PDF.' >"$work/ug1"
printf '%s\n' 'Chapter 1 - Getting started' 'Section 1.1 explains the installation.' \
    'Section 1.2 walks through a first publication.' >"$work/ug2"
printf '%s\n' 'Chapter 2 - Document fields' 'Title, Author, Subject and Keywords describe a book.' \
    'Custom fields carry anything else, as a name and a value.' >"$work/ug3"
make_book "$work/user-guide.pdf" "<< /Title $(literal 'User guide') \
/Author $(utf16 'Zoë Lambert') \
/Subject $(literal 'Preparing and publishing books') \
/Keywords $(literal 'guide, publishing, PDF') \
/Creator $(literal 'Orvane publishing') \
/Producer $(literal 'OrvFields sample maker') \
/CreationDate (D:20240115093000+01'00') /ModDate (D:20240302174512+01'00') \
/Reviewer $(utf16 'Zoë — 日本語') \
/Release#20Channel $(literal 'stable') \
/Department $(literal 'Documentation') >>" "$work/ug1" "$work/ug2" "$work/ug3"
qpdf_checked --deterministic-id --object-streams=generate \
    "$work/user-guide.pdf" "$output/books/user-guide.pdf"

# "Release notes": two pages; a classic cross-reference table.
printf '%s\n' 'Release notes' 'Version 2.4 brings document fields to every book.' >"$work/rn1"
printf '%s\n' 'Version 2.3' 'Faster publishing of large books.' \
    'Fixed: page numbers in the table of contents.' >"$work/rn2"
make_book "$work/release-notes.pdf" "<< /Title $(literal 'Release notes') \
/Author $(literal 'Publishing team') \
/Subject $(literal 'Changes from version to version') \
/Keywords $(literal 'release, changes') \
/Creator $(literal 'Orvane publishing') \
/Producer $(literal 'OrvFields sample maker') \
/CreationDate (D:20231120080000Z) /ModDate (D:20240228120000Z) \
/Field3 $(literal 'third generated field') \
/Field10 $(literal 'tenth generated field') \
/Version $(literal '2.4') >>" "$work/rn1" "$work/rn2"
qpdf_checked --deterministic-id --object-streams=disable \
    "$work/release-notes.pdf" "$output/books/release-notes.pdf"

# "Annual report": a PDF/A-style book whose XMP metadata says what its Info dictionary
# does not (the subject and the keywords), as many modern producers write them.
printf '%s\n' 'Annual report' 'The year in books: what was published and read.' >"$work/ar1"
xmp="<?xpacket begin=\"$(printf '\357\273\277')\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>
<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">
 <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">
  <rdf:Description rdf:about=\"\"
    xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\"
    xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\"
    xmlns:pdfx=\"http://ns.adobe.com/pdfx/1.3/\"
    pdfaid:part=\"2\" pdfaid:conformance=\"B\"
    xmp:CreateDate=\"2024-03-01T10:00:00+01:00\" xmp:ModifyDate=\"2024-03-01T10:00:00+01:00\"
    xmp:CreatorTool=\"Orvane publishing\" pdf:Producer=\"OrvFields sample maker\"
    pdf:Keywords=\"report, year, books\" pdfx:Edition=\"2024\">
   <dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Annual report</rdf:li></rdf:Alt></dc:title>
   <dc:creator><rdf:Seq><rdf:li>Board of editors</rdf:li></rdf:Seq></dc:creator>
   <dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">The year in books</rdf:li></rdf:Alt></dc:description>
  </rdf:Description>
 </rdf:RDF>
</x:xmpmeta>
$(printf '%*s' 1500 '')
<?xpacket end=\"w\"?>"
make_book "$work/annual-report.pdf" "<< /Title $(literal 'Annual report') \
/Author $(literal 'Board of editors') \
/Creator $(literal 'Orvane publishing') \
/Producer $(literal 'OrvFields sample maker') \
/CreationDate (D:20240301100000+01'00') /ModDate (D:20240301100000+01'00') \
/Edition $(literal '2024') >>" "$work/ar1"
xmp=
qpdf_checked --deterministic-id --object-streams=disable \
    "$work/annual-report.pdf" "$output/books/annual-report.pdf"

for book in user-guide release-notes annual-report; do
    qpdf_checked --check "$output/books/$book.pdf" >/dev/null
done
# The two cross-reference forms the sample promises.
qpdf --show-xref "$output/books/user-guide.pdf" >"$work/xref"
grep -q 'compressed' "$work/xref" || {
    echo "make-sample.sh: user-guide.pdf has no object streams" >&2
    exit 1
}
grep -aq '^xref' "$output/books/release-notes.pdf" || {
    echo "make-sample.sh: release-notes.pdf has no classic cross-reference table" >&2
    exit 1
}
# The book whose PDF went missing must stay missing.
rm -f "$output/books/reference-manual.pdf"
