"""A small network of its own for the classroom's end-to-end tests: a network namespace for each
machine, each with one cable (a veth pair) to a switch (a bridge in a namespace of its own),
link-local IPv4 addresses only and IPv6 off, so that the kernel adds no address of its own. The
root namespace's network is never touched.

The machines' programs share the session's X server and D-Bus buses. A network namespace has
abstract UNIX sockets of its own, so only servers on filesystem sockets are reached from inside
one: reachable() says whether they are, before a test relies on it. Needs root (CI runs as root).
"""

import os
import re
import subprocess


def run_ip(*args, namespace=None):
    command = ["ip", *(["-n", namespace] if namespace else []), *args]
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        raise AssertionError(f"`{' '.join(command)}` failed: {result.stderr.strip()}")
    return result.stdout


class Network:
    """Namespaces named TAG-switch and TAG-NAME, TAG ending in the test's process id; close()
    removes them all. A test killed outright (SIGKILL) cannot: the next one removes what is left
    of a test no longer running."""

    def __init__(self, prefix):
        for line in run_ip("netns", "list").splitlines():
            stale = re.fullmatch(rf"({prefix}(\d+)-\S+).*", line)
            if stale and not os.path.exists(f"/proc/{stale.group(2)}"):
                subprocess.run(["ip", "netns", "delete", stale.group(1)], capture_output=True)
        self.tag = f"{prefix}{os.getpid()}"
        self.switch = f"{self.tag}-switch"
        self.machines = {}  # name -> (namespace, address, switch port)
        self._namespaces = []
        try:
            self._add_namespace(self.switch)
            run_ip("link", "add", "switch", "type", "bridge", namespace=self.switch)
            run_ip("link", "set", "switch", "up", namespace=self.switch)
        except AssertionError as error:
            self.close()
            raise AssertionError(
                "the classroom test makes network namespaces of its own and needs root for it "
                f"(uid {os.getuid()}): {error}") from None

    def _add_namespace(self, namespace):
        run_ip("netns", "add", namespace)
        self._namespaces.append(namespace)
        # Before any interface is made: "default" is what a new interface starts with.
        for which in ("all", "default"):
            off = self.run(namespace,
                           ["sysctl", "-q", "-w", f"net.ipv6.conf.{which}.disable_ipv6=1"])
            if off.returncode != 0:
                raise AssertionError(f"IPv6 stays on in {namespace}: {off.stderr.strip()}")
        run_ip("link", "set", "lo", "up", namespace=namespace)

    def add_machine(self, name, address):
        """A machine with the link-local address (169.254.0.0/16, written without the
        prefix) on its one interface, eth0, cabled to the switch."""
        if not address.startswith("169.254.") or address.split(".")[2] in ("0", "255"):
            raise AssertionError(f"{address} is no address for a machine on a link-local network")
        namespace = f"{self.tag}-{name}"
        self._add_namespace(namespace)
        port = f"port{len(self.machines) + 1}"
        run_ip("link", "add", "eth0", "netns", namespace, "type", "veth",
               "peer", "name", port, "netns", self.switch)
        run_ip("link", "set", port, "master", "switch", namespace=self.switch)
        run_ip("link", "set", port, "up", namespace=self.switch)
        run_ip("addr", "add", f"{address}/16", "dev", "eth0", namespace=namespace)
        run_ip("link", "set", "eth0", "up", namespace=namespace)
        self.machines[name] = (namespace, address, port)
        return namespace

    def namespace(self, name):
        return self.machines[name][0]

    def addresses(self, name):
        """Every address of the machine, as `ip -brief addr` lists them: (interface, address)."""
        pairs = []
        for line in run_ip("-brief", "addr", namespace=self.namespace(name)).splitlines():
            fields = line.split()
            pairs += [(fields[0].split("@")[0], address) for address in fields[2:]]
        return pairs

    def unplug(self, name):
        """Pulls the machine's cable out of the switch: the machine's own interface stays up, and
        neither end hears of the other until it notices the silence."""
        run_ip("link", "set", self.machines[name][2], "down", namespace=self.switch)

    def plug(self, name):
        run_ip("link", "set", self.machines[name][2], "up", namespace=self.switch)

    def lose_frames(self, name, to):
        """What the machine sends to the machine `to` goes to a hardware address no one has, as
        if lost on the way; what `to` sends still arrives. find_again() mends it."""
        run_ip("neigh", "replace", self.machines[to][1], "lladdr", "02:00:00:00:00:01", "dev",
               "eth0", "nud", "permanent", namespace=self.namespace(name))

    def find_again(self, name, to):
        run_ip("neigh", "del", self.machines[to][1], "dev", "eth0", namespace=self.namespace(name))

    def command(self, name, argv):
        """argv run on the machine: `ip netns exec` runs it in place, under the same process id."""
        return ["ip", "netns", "exec", self.namespace(name), *argv]

    def run(self, namespace, argv, **options):
        return subprocess.run(["ip", "netns", "exec", namespace, *argv], capture_output=True,
                              text=True, **options)

    def reachable(self, name):
        """Fails, saying why, unless a program on the machine reaches the session's X server
        (/tmp/.X11-unix), its D-Bus session bus and the accessibility bus, each on a filesystem
        socket: a namespace has abstract UNIX sockets of its own."""
        def probe(what, argv):
            result = self.run(self.namespace(name), argv)
            if result.returncode != 0:
                raise AssertionError(f"{what} is not reached from a network namespace; it must "
                                     f"listen on a filesystem socket: {result.stderr.strip()}")
            return result.stdout.strip()
        probe(f"the X server {os.environ.get('DISPLAY')}", ["xdotool", "getdisplaygeometry"])
        a11y = probe(f"the session bus {os.environ.get('DBUS_SESSION_BUS_ADDRESS')}",
                     ["dbus-send", "--session", "--print-reply=literal", "--dest=org.a11y.Bus",
                      "/org/a11y/bus", "org.a11y.Bus.GetAddress"])
        probe(f"the accessibility bus {a11y}",
              ["dbus-send", f"--bus={a11y}", "--print-reply", "--dest=org.freedesktop.DBus",
               "/org/freedesktop/DBus", "org.freedesktop.DBus.GetId"])

    def close(self):
        for namespace in reversed(self._namespaces):
            subprocess.run(["ip", "netns", "delete", namespace], capture_output=True)
        self._namespaces.clear()
