# Reads one apt sources file (format=deb822 or format=oneline) and prints a deb822 deb-src
# entry for each binary entry that serves the Debian release `release` (its own suite,
# -updates and -security), with the same addresses, components and key. Backports and
# other archives are left out: the sources must be those of the packages installed.

function serves_release(suite) {
    return suite == release || suite == release "-updates" || suite == release "-security" ||
           suite == release "/updates"
}

function release_suites(list,    n, i, parts, out) {
    n = split(list, parts, /[ \t]+/)
    out = ""
    for (i = 1; i <= n; i++)
        if (serves_release(parts[i]))
            out = out (out == "" ? "" : " ") parts[i]
    return out
}

function print_entry(uris, suites, components, signed,    kept) {
    kept = release_suites(suites)
    if (kept == "" || uris == "")
        return
    print "Types: deb-src"
    print "URIs: " uris
    print "Suites: " kept
    if (components != "")
        print "Components: " components
    if (signed != "")
        print "Signed-By: " signed
    print ""
}

function value_of(name) {
    return (name in field) ? field[name] : ""
}

function end_paragraph(    types, enabled) {
    types = " " value_of("types") " "
    enabled = tolower(value_of("enabled"))
    if (types ~ / deb / && enabled != "no")
        print_entry(value_of("uris"), value_of("suites"), value_of("components"), value_of("signed-by"))
    delete field
    last = ""
}

format == "deb822" && /^#/ { next }
format == "deb822" && /^[ \t]*$/ { end_paragraph(); next }
format == "deb822" && /^[ \t]/ {
    # A continuation line (an inline key keeps its lines).
    if (last != "")
        field[last] = field[last] "\n" $0
    next
}
format == "deb822" {
    colon = index($0, ":")
    if (colon == 0)
        next
    last = tolower(substr($0, 1, colon - 1))
    value = substr($0, colon + 1)
    sub(/^[ \t]+/, "", value)
    sub(/[ \t]+$/, "", value)
    field[last] = value
    next
}

format == "oneline" {
    sub(/#.*/, "")
    if ($1 != "deb")
        next
    i = 2
    signed = ""
    if ($i ~ /^\[/) {
        options = ""
        for (; i <= NF; i++) {
            options = options " " $i
            if ($i ~ /\]$/)
                break
        }
        i++
        gsub(/[\[\]]/, " ", options)
        n = split(options, parts, /[ \t]+/)
        for (j = 1; j <= n; j++)
            if (parts[j] ~ /^signed-by=/)
                signed = substr(parts[j], 11)
    }
    uri = $i
    suite = $(i + 1)
    components = ""
    for (k = i + 2; k <= NF; k++)
        components = components (components == "" ? "" : " ") $k
    print_entry(uri, suite, components, signed)
}

END {
    if (format == "deb822")
        end_paragraph()
}
