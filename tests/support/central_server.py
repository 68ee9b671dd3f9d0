"""A private central records server for a test: PostgreSQL in a temporary
folder on a free local port, run by scripts/central-server, with the
database "central" and its schema ready.

    with CentralServer() as server:
        server.add_login("counter1", "secret", "counter")
        rows = server.sql("select version from central_schema")

Leaving the block stops the server and removes its folder, also when the
block fails."""
import csv
import io
import os
import shutil
import subprocess
import tempfile

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "central-server")


class CentralServerError(Exception):
    pass


class CentralServer:
    def __init__(self):
        self.folder = None
        self.port = None

    def __enter__(self):
        self.folder = tempfile.mkdtemp(prefix="central-")
        try:
            self.start()
        except BaseException:
            self._remove_folder()
            raise
        return self

    def __exit__(self, *exc):
        try:
            self.stop()
        finally:
            self._remove_folder()
        return False

    def start(self):
        """Starts the server; after a stop, on the port it had."""
        for line in self._run("start", self.folder).splitlines():
            key, _, value = line.partition("=")
            if key == "CENTRAL_PORT":
                self.port = int(value)
        if self.port is None:
            raise CentralServerError("central-server start printed no port")

    def stop(self):
        self._run("stop", self.folder)

    def sql(self, text, user=None, password=None):
        """Runs SQL as the superuser, or as the login user with password,
        and returns the rows of every result as lists of strings, NULL as
        an empty string. A statement that returns no rows gives its
        command tag as a row of its own, for example ["INSERT 0 1"].
        Raises CentralServerError with the server's message when a
        statement fails; the statements before it have run."""
        login = [user, password] if user is not None else []
        out = self._run("sql", "--csv", self.folder, text, *login)
        return list(csv.reader(io.StringIO(out, newline="")))

    def add_login(self, name, password, role):
        self._run("add-login", self.folder, name, password, role)

    def connection_string(self, user):
        """The connection string a counter is set up with; the program adds
        the password and its own driver options."""
        return ("Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=%d;Database=central;Uid=%s;"
                % (self.port, user))

    def _run(self, *args):
        done = subprocess.run([SCRIPT, *args], capture_output=True, encoding="utf-8", timeout=120)
        if done.returncode != 0:
            raise CentralServerError("central-server %s failed (%d): %s"
                                     % (args[0], done.returncode, done.stderr.strip()))
        return done.stdout

    def _remove_folder(self):
        if self.folder:
            shutil.rmtree(self.folder, ignore_errors=True)
            self.folder = None
