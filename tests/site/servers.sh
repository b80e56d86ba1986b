# Starting and ending the loopback servers of a test, by process id. Source this file.
#
#   testsite_run ROOT PORT [LOG]  the test site (tests/site/testsite.py) serving ROOT
#   nginx_start ROOT PORT [DIR]   Debian's nginx serving ROOT, with a private config and no daemon;
#                                 its config and logs (access.log) in DIR (default: a temporary
#                                 folder removed by servers_stop); $NGINX_EXTRA goes into its server
#                                 block (e.g. "location /slow/ { limit_rate 20000; }")
#   servers_stop                  ends every server this shell started
#   $SERVER_PID                   the process id of the server started last
#
# Both wait until the port answers; a port still held by another program is an error.

_SERVERS_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
_SERVER_PIDS=()
_SERVER_DIRS=()

_wait_port() {
  local port=$1 i
  for i in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && return 0
    sleep 0.05
  done
  echo "servers: nothing answers on port $port" >&2
  return 1
}

_port_free() {
  if (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; then
    echo "servers: port $1 is already in use by another program" >&2
    return 1
  fi
}

testsite_run() {
  local root=$1 port=$2 log=${3:-/dev/null}
  _port_free "$port" || return 1
  python3 "$_SERVERS_HERE/testsite.py" --root "$root" --port "$port" --log "$log" >/dev/null 2>&1 &
  SERVER_PID=$!
  _SERVER_PIDS+=("$SERVER_PID")
  _wait_port "$port"
}

nginx_start() {
  local root port dir
  root=$(cd "$1" && pwd) port=$2 dir=${3:-}
  _port_free "$port" || return 1
  if [ -n "$dir" ]; then
    mkdir -p "$dir"
  else
    dir=$(mktemp -d /tmp/morvane-nginx.XXXXXX)
    _SERVER_DIRS+=("$dir")
  fi
  # The workers run as this user, so they read whatever the test could write.
  local user_line=""
  [ "$(id -u)" = 0 ] && user_line="user root root;"
  cat >"$dir/nginx.conf" <<CONF
$user_line
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/error.log;
events { worker_connections 64; }
http {
  access_log $dir/access.log;
  client_body_temp_path $dir/body;
  proxy_temp_path $dir/proxy;
  fastcgi_temp_path $dir/fastcgi;
  uwsgi_temp_path $dir/uwsgi;
  scgi_temp_path $dir/scgi;
  default_type application/octet-stream;
  types { text/plain txt; }
  server {
    listen 127.0.0.1:$port;
    root $root;
    ${NGINX_EXTRA:-}
  }
}
CONF
  nginx -c "$dir/nginx.conf" -p "$dir" -g 'daemon off;' >/dev/null 2>&1 &
  SERVER_PID=$!
  _SERVER_PIDS+=("$SERVER_PID")
  _wait_port "$port"
}

servers_stop() {
  local pid dir
  for pid in "${_SERVER_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${_SERVER_PIDS[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  _SERVER_PIDS=()
  for dir in "${_SERVER_DIRS[@]}"; do rm -rf "$dir"; done
  _SERVER_DIRS=()
}
