# bash completion of dorvantile-cli: its options, sub-commands, library actions, the values of
# --format, --kind, --checksum and --link-base, and files or folders for the rest.
_dorvantile_cli() {
  local current=${COMP_WORDS[COMP_CWORD]} previous=${COMP_WORDS[COMP_CWORD-1]}
  local options="--format --output --open --printer --checksum --jobs --reuse --hidden
    --exclude --link-base --spreadsheet-safe --progress --no-progress --library --help --version"
  local library="--library --name --in --kind --min-size --max-size --newer --older --limit
    --count --path --format --output --open --hidden --exclude --checksum --jobs"
  local command=${COMP_WORDS[1]}
  COMPREPLY=()
  case $previous in
    -f|--format)
      if [[ $command == compare ]]; then
        COMPREPLY=($(compgen -W "text json" -- "$current"))
      elif [[ $command == library ]]; then
        COMPREPLY=($(compgen -W "text json csv" -- "$current"))
      else
        COMPREPLY=($(compgen -W "html text print csv json explorer sha256sum" -- "$current"))
      fi
      return ;;
    --kind) COMPREPLY=($(compgen -W "file folder" -- "$current")); return ;;
    --link-base) COMPREPLY=($(compgen -W "relative" -- "$current")); return ;;
    --checksum) COMPREPLY=($(compgen -W "sha256" -- "$current")); return ;;
    -o|--output|--reuse|--library) COMPREPLY=($(compgen -f -- "$current")); return ;;
    --printer|--exclude|--jobs|--name|--in|--min-size|--max-size|--newer|--older|--limit)
      return ;;
  esac
  if ((COMP_CWORD == 1)) && [[ $current != -* ]]; then
    COMPREPLY=($(compgen -W "compare library" -- "$current") $(compgen -d -- "$current"))
  elif [[ $command == library ]] && ((COMP_CWORD == 2)) && [[ $current != -* ]]; then
    COMPREPLY=($(compgen -W "add list remove search duplicates page" -- "$current"))
  elif [[ $current == -* ]]; then
    COMPREPLY=($(compgen -W "$([[ $command == library ]] && echo "$library" || echo "$options")" \
      -- "$current"))
  else
    COMPREPLY=($(compgen -f -- "$current"))
  fi
}
complete -o filenames -F _dorvantile_cli dorvantile-cli
