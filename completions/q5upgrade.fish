# fish completion for q5upgrade, installed as
# /usr/share/fish/vendor_completions.d/q5upgrade.fish. Completes the tree
# interface's options and their values; paths are fish's own file
# completion.

set -l rules q5-aliased-call q5-char-literal-split q5-comment-removed q5-conversion-failed \
    q5-convertible q5-declaration q5-directive-in-list q5-dropped-arguments \
    q5-lost-tokens q5-macro-pairs q5-malformed-pair q5-malformed-suppression \
    q5-missed-call q5-shifted-pairing q5-stringized-call q5-terminator-as-value q5-terminator-guess \
    q5-too-complex q5-unclosed-pair q5-unproven q5-unterminated-list q5-unused-suppression \
    q5-xt-special-argument

complete -c q5upgrade -s d -l diff -d 'Print a unified diff of every change; write nothing (the default)'
complete -c q5upgrade -s c -l check -d 'Write nothing; name each file that would change'
complete -c q5upgrade -s i -l in-place -d 'Convert the files in place'
complete -c q5upgrade -l stdout -d 'Write the converted text of each PATH to standard output'
complete -c q5upgrade -s j -l jobs -x -d 'Files converted at a time'
complete -c q5upgrade -l include -x -d 'Names taken when walking a directory (glob)'
complete -c q5upgrade -l extend-include -x -d 'Names taken besides *.c and *.h (glob)'
complete -c q5upgrade -l exclude -x -d 'Names skipped when walking, directories too (glob)'
complete -c q5upgrade -l force-exclude -d 'Skip the files named that the excludes match, too'
complete -c q5upgrade -l no-ignore -d 'Convert files git ignores too'
complete -c q5upgrade -l files-from -r -F -d 'Read the paths to convert from FILE (- for standard input)'
complete -c q5upgrade -s 0 -d 'The --files-from list is separated by NUL bytes'
complete -c q5upgrade -s z -l null -d 'With --check: names as they are, each followed by a NUL byte'
complete -c q5upgrade -s I -x -a '(__fish_complete_directories)' -d 'Read the macros of the headers in DIR too'
complete -c q5upgrade -l config -r -F -d 'Read the configuration from FILE'
complete -c q5upgrade -l isolated -d 'Read no configuration file'
complete -c q5upgrade -l select -x -a "$rules" -d 'Report only these rules (prefixes allowed)'
complete -c q5upgrade -l ignore -x -a "$rules" -d 'Report none of these rules (prefixes allowed)'
complete -c q5upgrade -l unsafe-fixes -d 'Also convert the calls left as they stand by default'
complete -c q5upgrade -l verify -d "Prove each conversion with the project's compiler first"
complete -c q5upgrade -s p -x -a '(__fish_complete_directories)' -d 'With --verify: the directory holding compile_commands.json'
complete -c q5upgrade -l compile-commands -r -F -d 'With --verify: the compilation database'
complete -c q5upgrade -l statistics -d 'Print the findings counted by rule'
complete -c q5upgrade -l output-format -x -a 'text json github sarif' -d 'Format of the findings (json, github, sarif: alone on standard output)'
complete -c q5upgrade -l color -x -a 'auto always never' -d 'Colour the findings and the diff'
complete -c q5upgrade -l report -r -F -d 'Write every diagnostic and error as a SARIF 2.1.0 log'
complete -c q5upgrade -l werror -d 'Warnings other than q5-convertible count as trouble (exit 2)'
complete -c q5upgrade -l exit-zero -d 'Exit 0 even when files would change or findings remain'
complete -c q5upgrade -l verbose -d 'With --check: name each call still to convert'
complete -c q5upgrade -s q -l quiet -d 'No summary line, no progress line and no notes'
complete -c q5upgrade -l list-rules -d 'List the rules and exit'
complete -c q5upgrade -l explain -x -a "$rules" -d 'Say what a rule means and how to fix it, and exit'
complete -c q5upgrade -s h -l help -d 'Show the help and exit'
complete -c q5upgrade -s V -l version -d 'Show the version and exit'
# The classic "-upgrade file" form, only as the first word (after a tree
# option it would be read as one).
complete -c q5upgrade -o upgrade -n 'test (count (commandline -opc)) -eq 1' -d 'Convert FILE in place (classic form)'
