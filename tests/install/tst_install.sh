#!/bin/sh
# Installs the build into a temporary prefix as an office would, then checks every file
# installed, the desktop entries with the desktop's own validators, the help document, the
# installer's two parts and that the launcher starts the program.
#   tst_install.sh BUILD_FOLDER
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefixo"
fail() { echo "FALHOU: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

# Every installed file, and nothing else.
expected="bin/velmora
libexec/velmora/velmora
libexec/velmora/velmora-install
libexec/velmora/velmora-mdb
share/applications/br.com.belvoran.Velmora.desktop
share/doc/velmora/ajuda.pdf
share/icons/hicolor/scalable/apps/br.com.belvoran.Velmora.svg
share/metainfo/br.com.belvoran.Velmora.metainfo.xml"
installed=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
[ "$installed" = "$expected" ] || fail "arquivos instalados:
$installed"
for program in bin/velmora libexec/velmora/velmora libexec/velmora/velmora-install libexec/velmora/velmora-mdb; do
    [ -x "$prefix/$program" ] || fail "$program não é executável"
done

desktop-file-validate "$prefix/share/applications/br.com.belvoran.Velmora.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/br.com.belvoran.Velmora.metainfo.xml" >/dev/null ||
    appstreamcli validate --no-net "$prefix/share/metainfo/br.com.belvoran.Velmora.metainfo.xml"
grep -q 'release version="[0-9.]*"' "$prefix/share/metainfo/br.com.belvoran.Velmora.metainfo.xml" ||
    fail "metainfo sem a versão"
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/br.com.belvoran.Velmora.svg" || fail "ícone"

# The help: an A4 PDF in Portuguese that covers the program, with its pictures.
help="$prefix/share/doc/velmora/ajuda.pdf"
pages=$(pdfinfo "$help" | sed -n 's/^Pages: *//p')
[ "$pages" -ge 8 ] || fail "a ajuda tem $pages páginas"
pdfinfo "$help" | grep -q 'Page size: *59[45].* x 84[12].*(A4)' || fail "a ajuda não é A4"
text=$(pdftotext "$help" -)
for phrase in "Manual do usuário" "Incluir um registro" "Consulta por data" "Visualizar Formulário" \
              "Salvar Formulário" "Mudar títulos" "Preservar a numeração original" "Restaurar um backup" \
              "Localizar Base" "Onde ficam as configurações" "Audiência"; do
    printf '%s' "$text" | grep -q "$phrase" || fail "a ajuda não fala de \"$phrase\""
done
[ "$(pdfimages -list "$help" | tail -n +3 | wc -l)" -ge 10 ] || fail "a ajuda tem poucas imagens"

# The administrator's part: the base in the program folder's Dados.
"$prefix/libexec/velmora/velmora-install" --dados >/dev/null
base="$prefix/libexec/velmora/Dados/base.mdb"
[ "$(sqlite3 "$base" 'SELECT count(*) FROM clientes')" = 0 ] || fail "base não criada"

# The launcher completes the user's settings folder, help included, and starts the
# program, which is still running when stopped.
export XDG_DATA_HOME="$work/usuario" XDG_RUNTIME_DIR="$work/execucao"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
settings="$XDG_DATA_HOME/Belvoran/velmora7"
status=0
QT_QPA_PLATFORM=offscreen timeout 10 "$prefix/bin/velmora" >/dev/null 2>&1 || status=$?
[ "$status" = 124 ] || fail "o programa terminou ao iniciar (código $status)"
cmp -s "$help" "$settings/ajuda.pdf" || fail "a ajuda não foi posta na pasta de configurações"
[ "$(wc -l < "$settings/Dados/comarcas/estados.txt")" = 27 ] || fail "lista de estados"

# A newer help replaces the one in the settings folder; nothing else is touched.
printf 'antiga' > "$settings/ajuda.pdf"
printf 'SP\r\n' > "$settings/Dados/comarcas/estados.txt"
"$prefix/libexec/velmora/velmora-install" --usuario >/dev/null
cmp -s "$help" "$settings/ajuda.pdf" || fail "a ajuda antiga não foi trocada"
[ "$(cat "$settings/Dados/comarcas/estados.txt")" = "$(printf 'SP\r')" ] || fail "a lista de estados foi trocada"
echo "instalação conferida: $pages páginas de ajuda"
