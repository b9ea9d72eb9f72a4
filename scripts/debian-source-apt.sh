# Sourced by the scripts that build from Debian's source packages. Sets
# `apt_options`: an apt configuration in FOLDER whose only entries are the
# system's Debian sources as source entries (in either format apt reads),
# with its package lists fetched.
#   debian_source_apt FOLDER
debian_source_apt() {
    local apt=$1
    mkdir -p "$apt/lists/partial" "$apt/parts"
    if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
        sed -n '/^Types:/,/^$/p' /etc/apt/sources.list.d/debian.sources |
            sed 's/^Types:.*/Types: deb-src/' > "$apt/parts/debian-src.sources"
    fi
    sed -n 's/^deb \(.*debian.*\)$/deb-src \1/p' /etc/apt/sources.list 2> /dev/null > "$apt/sources.list" || true
    apt_options=(-o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts="$apt/parts"
                 -o Dir::State::Lists="$apt/lists")
    [[ $(id -u) -ne 0 ]] || apt_options+=(-o APT::Sandbox::User=root)  # the folders are root's alone
    apt-get "${apt_options[@]}" update -qq
}
