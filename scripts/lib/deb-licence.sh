# shellcheck shell=bash
# Names the licences of a Debian package from its copyright file,
# /usr/share/doc/<package>/copyright, read from the downloaded .deb (or from
# the disk when the package is installed and no .deb is given).
# Source this file; do not run it.

# Prints the package's licence names on one line, e.g. "LGPL-2.1+,
# CC-BY-NC-ND-4.0". Machine-readable copyright files give the licence of their
# "Files: *" paragraph plus that of every paragraph about a folder the package
# holds (a voice's own folder, say); other files are recognised by their text.
# Usage: clipvoice_deb_licence PACKAGE [DEB-FILE]
clipvoice_deb_licence() {
    local package="$1" deb="${2:-}" scratch copyright files
    scratch="$(mktemp -d)"
    copyright="$scratch/copyright"
    files="$scratch/files"
    : >"$copyright"
    : >"$files"
    if [ -n "$deb" ]; then
        # One pass over the archive gives both its file list and the file.
        local lister
        mkfifo "$scratch/archive"
        tar -tf - <"$scratch/archive" 2>/dev/null | sed 's/^\.//' >"$files" &
        lister=$!
        dpkg-deb --fsys-tarfile "$deb" 2>/dev/null | tee "$scratch/archive" |
            tar -xOf - "./usr/share/doc/$package/copyright" >"$copyright" 2>/dev/null || true
        wait "$lister" || true
    else
        cat "/usr/share/doc/$package/copyright" >"$copyright" 2>/dev/null || true
        dpkg -L "$package" >"$files" 2>/dev/null || true
    fi

    if [ ! -s "$copyright" ]; then
        echo "unknown (the package has no /usr/share/doc/$package/copyright)"
    elif head -n 1 "$copyright" | grep -q '^Format:'; then
        clipvoice_dep5_licences "$files" "$copyright" "$package"
    elif tr -s ' \n' '  ' <"$copyright" | grep -qi 'only with the mbrola program'; then
        local name="MBROLA database licence (use only with the MBROLA program"
        if tr -s ' \n' '  ' <"$copyright" | grep -qi 'not be sold'; then
            name="$name; no sale without permission"
        fi
        echo "$name)"
    else
        echo "not machine-readable: see /usr/share/doc/$package/copyright"
    fi
    rm -rf "$scratch"
}

# Reads a machine-readable (DEP-5) copyright file $2 for the package whose
# file list is $1.
clipvoice_dep5_licences() {
    awk -v package="$3" '
        function trim(s) { sub(/^[ \t]+/, "", s); sub(/[ \t]+$/, "", s); return s }
        function add(name) {
            if (name == "" || seen[name]++) return
            names = names == "" ? name : names ", " name
        }
        function first_sentence(s,   end) {
            end = index(s, ". ")
            if (end > 0) s = substr(s, 1, end)
            return length(s) > 100 ? substr(s, 1, 97) "..." : s
        }
        # The short name, or for "other" the first sentence of its text.
        function label() {
            if (licence == "" || tolower(licence) == "other")
                return note == "" ? "other" : "other: " first_sentence(note)
            return licence
        }
        # "Files: *" is the package-wide licence; "a/b/*" counts when the
        # package holds a folder ".../a/b/".
        function end_paragraph(   count, patterns, i, p, parts, depth, key, f) {
            if (files != "" && licence != "") {
                count = split(files, patterns, /[ \t]+/)
                for (i = 1; i <= count; i++) {
                    p = patterns[i]
                    sub(/:$/, "", p)
                    if (p == "*") { main = label(); continue }
                    if (p !~ /\/\*$/) continue
                    sub(/\/\*$/, "", p)
                    depth = split(p, parts, "/")
                    if (depth < 2) continue
                    key = "/" parts[depth - 1] "/" parts[depth] "/"
                    for (f = 1; f <= nfiles; f++) {
                        if (index(paths[f], key)) { extras[++nextras] = label(); break }
                    }
                }
            }
            files = licence = note = field = ""
        }
        FILENAME == ARGV[1] { paths[++nfiles] = $0 "/"; next }
        /^#/ { next }
        /^[ \t]*$/ { end_paragraph(); next }
        /^[A-Za-z][A-Za-z0-9-]*:/ {
            field = tolower(substr($0, 1, index($0, ":") - 1))
            value = trim(substr($0, index($0, ":") + 1))
            if (field == "files") files = value
            else if (field == "license") licence = value
            next
        }
        /^[ \t]/ {
            if (field == "files") files = files " " trim($0)
            else if (field == "license" && note == "") note = trim($0)
            next
        }
        END {
            end_paragraph()
            add(main)
            for (i = 1; i <= nextras; i++) add(extras[i])
            if (names == "") names = "unknown: see /usr/share/doc/" package "/copyright"
            print names
        }
    ' "$1" "$2"
}
