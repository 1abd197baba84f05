# fish completion for moorix: its options, the listening ports after the options that take one, and the
# running processes' ids after --argv.

function __moorix_ports
    # Only the port numbers of `moorix --list`'s one JSON line: no JSON parser needed.
    moorix --list 2>/dev/null | string match -ar '"port":[0-9]+' | string replace '"port":' '' | sort -nu
end

complete -c moorix -f
complete -c moorix -l list -d 'Print every listening TCP socket as one line of JSON'
complete -c moorix -l table -d 'Print the listening sockets as a table'
complete -c moorix -l kill -x -a '(__moorix_ports)' -d 'Stop each process listening on the ports'
complete -c moorix -l kill-tree -x -a '(__moorix_ports)' -d 'Stop the outermost development tool above each listener'
complete -c moorix -l t -x -d 'Print the English and Turkish texts of a translation key'
complete -c moorix -l restart -x -a '(__moorix_ports)' -d 'Stop the tool tree on the port and start it again'
complete -c moorix -l argv -x -a '(__fish_complete_pids)' -d 'Print the argument vector of a process'
complete -c moorix -l history -d 'Print the port openings and closings of the last 30 days'
complete -c moorix -l insights -d 'Print orphaned and long-running development servers'
complete -c moorix -l docker -d 'Print the host ports that Docker containers publish'
complete -c moorix -l probe -x -a '(__moorix_ports)' -d 'Print whether something answers HTTP on the port'
complete -c moorix -l watch -d 'Print one JSON line per port event as it happens'
complete -c moorix -l all -d 'With --watch, first an opened line for each open port'
complete -c moorix -l wait -x -a '(__moorix_ports)' -d 'Wait until something listens on every port'
complete -c moorix -l wait-free -x -a '(__moorix_ports)' -d 'Wait until nothing listens on the ports'
complete -c moorix -l help -d 'Print the options'
complete -c moorix -l version -d 'Print the version'
