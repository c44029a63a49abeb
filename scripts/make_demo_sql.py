#!/usr/bin/env python3
"""Writes src/engine/demo.sql, the embedded engine's demo database.

The data is generated once, deterministically, from the tables below, so the
committed script never changes unless this file does. The build does not run
this; rerun it by hand after changing it.
"""
import random
import datetime as dt
import pathlib

random.seed(20261206)
out = []
w = out.append

def q(s):
    return "'" + s.replace("'", "''") + "'"

def d(date):
    return q(date.strftime("%m/%d/%Y"))

w("""-- Quodlin demo database: Brightwheel Cycle Supply, a wholesaler of bicycle
-- parts and accessories to independent shops. Built to exercise the
-- workbench: every common column type, defaults and constraints of every
-- kind, views, synonyms, procedures, triggers, users and roles.
-- Loaded with the default environment (DBDATE=MDY4/).

CREATE TABLE region (
    region_code   CHAR(2) NOT NULL,
    region_name   CHAR(24) NOT NULL,
    PRIMARY KEY (region_code) CONSTRAINT pk_region
);

CREATE TABLE maker (
    maker_code    CHAR(3) NOT NULL,
    maker_name    CHAR(24) NOT NULL,
    country       NCHAR(20),
    lead_time     INTERVAL DAY(3) TO DAY,
    rating        SMALLFLOAT,
    active        BOOLEAN DEFAULT 't',
    PRIMARY KEY (maker_code)
);
CREATE UNIQUE INDEX ix_maker_name ON maker (maker_name);

CREATE TABLE part (
    part_num      SMALLINT NOT NULL,
    maker_code    CHAR(3) NOT NULL REFERENCES maker (maker_code) CONSTRAINT fk_part_maker,
    description   CHAR(30),
    unit_price    MONEY(8,2),
    unit          CHAR(4) DEFAULT 'each',
    weight_kg     DECIMAL(6,3),
    PRIMARY KEY (part_num, maker_code)
);

CREATE TABLE customer (
    cust_num      SERIAL(101),
    fname         CHAR(15),
    lname         CHAR(15),
    company       CHAR(24),
    address1      CHAR(24),
    city          CHAR(16),
    region_code   CHAR(2) REFERENCES region (region_code),
    postcode      CHAR(8),
    phone         CHAR(18),
    vip           CHAR(1) DEFAULT 'N' CHECK (vip IN ('Y', 'N')) CONSTRAINT ck_customer_vip,
    since         DATE DEFAULT TODAY,
    credit_limit  DECIMAL(10,2) DEFAULT 2500.00,
    notes         LVARCHAR(500),
    PRIMARY KEY (cust_num)
);
CREATE INDEX ix_customer_name ON customer (lname, fname, company);
CREATE INDEX ix_customer_postcode ON customer (postcode);

CREATE TABLE sales_order (
    order_num     SERIAL(1001) PRIMARY KEY,
    order_date    DATE NOT NULL,
    cust_num      INTEGER NOT NULL REFERENCES customer (cust_num),
    ship_instruct VARCHAR(80, 20),
    backlog       CHAR(1) DEFAULT 'n',
    po_num        CHAR(10),
    ship_date     DATE,
    ship_weight   DECIMAL(8,2),
    ship_charge   MONEY(6,2),
    paid_date     DATE,
    CHECK (ship_date IS NULL OR ship_date >= order_date) CONSTRAINT ck_order_dates
);
CREATE CLUSTER INDEX ix_order_date ON sales_order (order_date);

CREATE TABLE order_line (
    line_num      SMALLINT NOT NULL,
    order_num     INTEGER NOT NULL,
    part_num      SMALLINT NOT NULL,
    maker_code    CHAR(3) NOT NULL,
    quantity      SMALLINT NOT NULL CHECK (quantity >= 1),
    total_price   MONEY(8,2),
    PRIMARY KEY (line_num, order_num),
    FOREIGN KEY (order_num) REFERENCES sales_order (order_num) ON DELETE CASCADE,
    FOREIGN KEY (part_num, maker_code) REFERENCES part (part_num, maker_code) CONSTRAINT fk_line_part
);

CREATE TABLE part_catalog (
    catalog_num   SERIAL(10001) PRIMARY KEY,
    part_num      SMALLINT NOT NULL,
    maker_code    CHAR(3) NOT NULL,
    cat_descr     TEXT,
    cat_picture   BYTE,
    cat_advert    VARCHAR(255, 65),
    FOREIGN KEY (part_num, maker_code) REFERENCES part (part_num, maker_code)
);

CREATE TABLE call_kind (
    call_code     CHAR(1) PRIMARY KEY,
    code_descr    CHAR(30)
);

CREATE TABLE service_call (
    cust_num      INTEGER NOT NULL REFERENCES customer (cust_num),
    call_dtime    DATETIME YEAR TO MINUTE NOT NULL,
    user_id       CHAR(32) DEFAULT USER,
    call_code     CHAR(1) REFERENCES call_kind (call_code),
    call_descr    CHAR(240),
    res_dtime     DATETIME YEAR TO MINUTE,
    res_descr     CHAR(240),
    PRIMARY KEY (cust_num, call_dtime)
);

CREATE TABLE exchange_rate (
    currency      CHAR(3) NOT NULL,
    rate_date     DATE NOT NULL,
    rate          FLOAT,
    rate_exact    DECIMAL(16),
    PRIMARY KEY (currency, rate_date)
);
CREATE INDEX ix_rate_recent ON exchange_rate (rate_date DESC, currency);

CREATE TABLE audit_log (
    log_id        BIGSERIAL PRIMARY KEY,
    logged_at     DATETIME YEAR TO SECOND DEFAULT CURRENT YEAR TO SECOND,
    logged_by     CHAR(32) DEFAULT USER,
    table_name    CHAR(18),
    action        CHAR(1),
    old_value     VARCHAR(255),
    new_value     VARCHAR(255)
);

CREATE SEQUENCE invoice_seq START WITH 5000 INCREMENT BY 1;
""")

regions = [("NE", "North East"), ("NW", "North West"), ("YH", "Yorkshire"), ("EM", "East Midlands"),
           ("WM", "West Midlands"), ("EE", "East of England"), ("LN", "London"), ("SE", "South East"),
           ("SW", "South West"), ("WA", "Wales"), ("SC", "Scotland"), ("NI", "Northern Ireland")]
w("-- Code tables")
for c, n in regions:
    w(f"INSERT INTO region VALUES ({q(c)}, {q(n)});")

kinds = [("B", "billing error"), ("D", "damaged goods"), ("I", "incorrect part"),
         ("L", "late shipment"), ("O", "other")]
for c, n in kinds:
    w(f"INSERT INTO call_kind VALUES ({q(c)}, {q(n)});")

makers = [("SHM", "Shimoda Components", "Japan", 21, 4.6), ("CAM", "Campora Italia", "Italy", 35, 4.4),
          ("SRM", "Sramford Drivetrain", "USA", 28, 4.3), ("CON", "Contiwerk Reifen", "Germany", 14, 4.5),
          ("SCH", "Schwalder Tyres", "Germany", 18, 4.2), ("BRK", "Brookfield Saddles", "England", 10, 4.7),
          ("RKS", "Rockshore Suspension", "USA", 42, 3.9), ("KMC", "Kaimei Chains", "Taiwan", 30, 4.0),
          ("LZN", "Lezano Pumps", "USA", 25, 4.1), ("TPK", "Topeak Tools Co", "Taiwan", 20, 3.8)]
w("\n-- Makers")
for i, (c, n, country, lead, rating) in enumerate(makers):
    active = "'f'" if c == "TPK" else "'t'"
    w(f"INSERT INTO maker VALUES ({q(c)}, {q(n)}, {q(country)}, INTERVAL ({lead}) DAY(3) TO DAY, {rating}, {active});")

items = ["chain 11-speed", "chain 12-speed", "cassette 11-32", "cassette 10-42", "rear derailleur",
         "front derailleur", "shifter pair", "brake caliper", "disc rotor 160mm", "disc rotor 180mm",
         "brake pads (pair)", "inner tube 700x25", "inner tube 29x2.4", "road tyre 700x28",
         "gravel tyre 700x40", "mtb tyre 29x2.4", "saddle, racing", "saddle, touring",
         "floor pump", "mini pump", "multi-tool 16", "chain checker", "crankset 50/34",
         "bottom bracket", "fork 100mm", "rear shock", "handlebar tape", "pedals, flat",
         "pedals, clipless", "headset"]
w("\n-- Parts")
parts = []
num = 1
for c, *_ in makers:
    for _ in range(random.randint(4, 8)):
        desc = random.choice(items)
        price = round(random.uniform(6, 420), 2)
        unit = "pair" if "pair" in desc or "pedals" in desc else ("box" if "pads" in desc else "each")
        weight = round(random.uniform(0.05, 2.5), 3)
        parts.append((num, c, desc, price))
        unit_sql = "DEFAULT" if unit == "each" else q(unit)
        if unit == "each":
            w(f"INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES ({num}, {q(c)}, {q(desc)}, {price:.2f}, {weight:.3f});")
        else:
            w(f"INSERT INTO part VALUES ({num}, {q(c)}, {q(desc)}, {price:.2f}, {q(unit)}, {weight:.3f});")
        num += 1

first = ["Alice", "Ben", "Chloe", "Dev", "Emma", "Farid", "Grace", "Hamish", "Isla", "Jack", "Kirsty",
         "Liam", "Maya", "Niall", "Olivia", "Priya", "Quentin", "Rosa", "Sam", "Tara", "Usman", "Vera",
         "Will", "Xena", "Yusuf", "Zoe"]
last = ["Archer", "Bell", "Carter", "Dunn", "Ellis", "Fraser", "Gill", "Hughes", "Irving", "Jones",
        "Khan", "Lloyd", "Morgan", "Nash", "O'Neill", "Patel", "Quinn", "Reid", "Shaw", "Turner",
        "Underwood", "Vaughan", "Walsh", "Young"]
shops = ["Spokes & Sprockets", "The Bike Shed", "Freewheel Cycles", "Chainline", "Pedal Power",
         "Velo Corner", "Hill Climb Bikes", "Two Wheels Good", "Gear Change", "Cadence Cycles",
         "The Crank Room", "Tailwind Bikes", "Downhill Depot", "Saddle Up", "Cog & Crank"]
towns = [("Newcastle", "NE"), ("Durham", "NE"), ("Manchester", "NW"), ("Kendal", "NW"), ("Leeds", "YH"),
         ("York", "YH"), ("Nottingham", "EM"), ("Birmingham", "WM"), ("Cambridge", "EE"),
         ("Norwich", "EE"), ("London", "LN"), ("Brighton", "SE"), ("Portsmouth", "SE"), ("Bristol", "SW"),
         ("Exeter", "SW"), ("Cardiff", "WA"), ("Edinburgh", "SC"), ("Glasgow", "SC"), ("Belfast", "NI")]
streets = ["High St", "Mill Lane", "Station Rd", "Church St", "Market Sq", "Bridge St", "Park Rd",
           "Quay St", "Castle Hill", "Canal Wharf"]
w("\n-- Customers (SERIAL numbers start at 101)")
customers = []
base = dt.date(2019, 1, 1)
for i in range(45):
    fn, ln = random.choice(first), random.choice(last)
    shop = shops[i % len(shops)] + ("" if i < len(shops) else f" {['North','South','East','West'][i % 4]}")
    shop = shop[:24]
    town, reg = towns[i % len(towns)] if i % 7 else ("Portsmouth", "SE")
    addr = f"{random.randint(1, 240)} {random.choice(streets)}"
    pc = f"{town[:2].upper()}{random.randint(1, 20)} {random.randint(1, 9)}{random.choice('ABDEFGHJ')}{random.choice('LNPQRSTU')}"
    phone = f"0{random.randint(1100, 1999)} {random.randint(100000, 999999)}"
    vip = "Y" if random.random() < 0.2 else "N"
    since = base + dt.timedelta(days=random.randint(0, 2000))
    limit = random.choice([1500, 2500, 5000, 10000])
    note = "NULL" if random.random() < 0.6 else q(random.choice([
        "Prefers morning deliveries.", "Pays by bank transfer; remittance by e-mail.",
        "Seasonal shop: closed January.", "Ask for the workshop manager.",
        "Uses purchase order numbers on every order."]))
    customers.append(101 + i)
    w("INSERT INTO customer VALUES (0, " + ", ".join([q(fn), q(ln), q(shop), q(addr), q(town), q(reg),
      q(pc), q(phone), q(vip), d(since), f"{limit:.2f}", note]) + ");")

w("\n-- Orders and their lines (SERIAL numbers start at 1001)")
instr = [None, "Deliver to rear entrance", "Call before delivery", "Leave with neighbour at no. 4",
         "Express: customer waiting", "Pallet delivery, forklift on site", "Split shipment allowed"]
order_num = 1001
line_count = 0
for i in range(90):
    cust = random.choice(customers)
    od = dt.date(2025, 1, 6) + dt.timedelta(days=random.randint(0, 640))
    shipped = random.random() < 0.85
    sd = od + dt.timedelta(days=random.randint(1, 12)) if shipped else None
    paid = sd + dt.timedelta(days=random.randint(5, 45)) if shipped and random.random() < 0.8 else None
    ins = random.choice(instr)
    weight = round(random.uniform(0.5, 60), 2)
    charge = round(5 + weight * 0.45, 2) if shipped else None
    po = f"PO{random.randint(10000, 99999)}" if random.random() < 0.5 else None
    vals = ["0", d(od), str(cust), "NULL" if ins is None else q(ins), q("y" if not shipped and random.random() < 0.5 else "n"),
            "NULL" if po is None else q(po), "NULL" if sd is None else d(sd), f"{weight:.2f}",
            "NULL" if charge is None else f"{charge:.2f}", "NULL" if paid is None else d(paid)]
    w("INSERT INTO sales_order VALUES (" + ", ".join(vals) + ");")
    chosen = random.sample(parts, random.randint(1, 4))
    for ln_no, (pn, mc, _desc, price) in enumerate(chosen, start=1):
        qty = random.randint(1, 12)
        w(f"INSERT INTO order_line VALUES ({ln_no}, {order_num}, {pn}, {q(mc)}, {qty}, {qty * price:.2f});")
        line_count += 1
    order_num += 1

w("\n-- Catalogue entries")
adverts = ["Lighter, stiffer, quieter: the upgrade riders notice.", "Workshop favourite for a decade.",
           "Tubeless ready, puncture resistant, fast rolling.", "Built for winter miles and gritty lanes.",
           "Precision machined, lifetime bearing warranty."]
for pn, mc, desc, _ in random.sample(parts, 20):
    w(f"INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, {pn}, {q(mc)}, {q(random.choice(adverts))});")

w("\n-- Service calls")
calls = ["Wrong cassette ratio sent.", "Invoice shows last year's prices.", "Tyre sidewall split on arrival.",
         "Delivery three days late, customer event missed.", "Box arrived crushed; saddle scuffed.",
         "Asked for a copy of the conformity certificate.", "Chain length shorter than listed."]
ress = ["Replacement sent next day.", "Credit note issued.", "Apologised; courier claim opened.",
        "Sent the document by e-mail.", "Collected and refunded."]
used = set()
for i in range(28):
    cust = random.choice(customers)
    t = dt.datetime(2025, 2, 1, 8, 0) + dt.timedelta(minutes=random.randint(0, 600 * 24 * 30) // 15 * 15)
    if (cust, t) in used:
        continue
    used.add((cust, t))
    code = random.choice("BDILO")
    resolved = random.random() < 0.8
    rt = t + dt.timedelta(hours=random.randint(1, 72)) if resolved else None
    w("INSERT INTO service_call VALUES (" + ", ".join([
        str(cust), f"DATETIME ({t:%Y-%m-%d %H:%M}) YEAR TO MINUTE", q(random.choice(["rachel", "tom", "informix"])),
        q(code), q(random.choice(calls)),
        "NULL" if rt is None else f"DATETIME ({rt:%Y-%m-%d %H:%M}) YEAR TO MINUTE",
        "NULL" if rt is None else q(random.choice(ress))]) + ");")

w("\n-- Exchange rates")
for cur, r0 in (("EUR", 1.17), ("USD", 1.27), ("JPY", 188.4)):
    r = r0
    for k in range(12):
        day = dt.date(2026, 1, 1) + dt.timedelta(days=7 * k)
        r = r * (1 + random.uniform(-0.01, 0.01))
        w(f"INSERT INTO exchange_rate VALUES ({q(cur)}, {d(day)}, {r:.6f}, {r:.10g});")

w("""
-- Views
CREATE VIEW portsmouth_customers (num, first_name, last_name, company) AS
    SELECT cust_num, fname, lname, company
      FROM customer
     WHERE city = 'Portsmouth'
    WITH CHECK OPTION;

CREATE VIEW order_summary AS
    SELECT o.order_num, o.order_date, c.company,
           SUM(l.total_price) AS goods_total,
           SUM(l.total_price) + NVL(o.ship_charge, 0) AS invoice_total
      FROM sales_order o, customer c, order_line l
     WHERE o.cust_num = c.cust_num
       AND l.order_num = o.order_num
     GROUP BY o.order_num, o.order_date, c.company, o.ship_charge;

CREATE VIEW large_orders AS
    SELECT order_num, company, invoice_total
      FROM order_summary
     WHERE invoice_total > 1000;

CREATE VIEW region_sales (region, orders, revenue) AS
    SELECT r.region_name, COUNT(DISTINCT o.order_num), SUM(l.total_price)
      FROM region r, customer c, sales_order o, order_line l
     WHERE c.region_code = r.region_code
       AND o.cust_num = c.cust_num
       AND l.order_num = o.order_num
     GROUP BY r.region_name;

-- Synonyms: public, private and one for a table in another database
CREATE SYNONYM cust FOR customer;
CREATE PRIVATE SYNONYM my_orders FOR sales_order;
CREATE SYNONYM hq_stock FOR warehouse@hq_server:informix.stock;

-- Procedures and functions
CREATE PROCEDURE pi_customer(p_fname CHAR(15), p_lname CHAR(15), p_company CHAR(24))
RETURNING INTEGER;
    DEFINE v_num INTEGER;
    INSERT INTO customer (cust_num, fname, lname, company)
        VALUES (0, p_fname, p_lname, p_company);
    LET v_num = DBINFO('sqlca.sqlerrd1');
    RETURN v_num;
END PROCEDURE
DOCUMENT 'Adds a customer and returns the new customer number.';

CREATE PROCEDURE PD_Customer(p_num INTEGER)
    DELETE FROM customer WHERE cust_num = p_num;
END PROCEDURE;

CREATE PROCEDURE Pu_Part_Price(p_part SMALLINT, p_maker CHAR(3), p_price MONEY(8,2))
    UPDATE part SET unit_price = p_price
     WHERE part_num = p_part AND maker_code = p_maker;
END PROCEDURE;

CREATE FUNCTION order_total(p_order INTEGER)
RETURNING MONEY(10,2);
    DEFINE v_total MONEY(10,2);
    SELECT SUM(total_price) INTO v_total FROM order_line WHERE order_num = p_order;
    RETURN NVL(v_total, 0);
END FUNCTION;

CREATE PROCEDURE customers_in_region(p_region CHAR(2))
RETURNING INTEGER, CHAR(24);
    DEFINE v_num INTEGER;
    DEFINE v_company CHAR(24);
    FOREACH SELECT cust_num, company INTO v_num, v_company
              FROM customer WHERE region_code = p_region ORDER BY company
        RETURN v_num, v_company WITH RESUME;
    END FOREACH;
END PROCEDURE;

CREATE PROCEDURE print_backlog_note(p_order INTEGER)
RETURNING VARCHAR(80);
    DEFINE v_esql, v_isam INTEGER;
    DEFINE v_text VARCHAR(80);
    DEFINE v_backlog CHAR(1);
    ON EXCEPTION SET v_esql, v_isam, v_text
        IF v_esql = -746 THEN
            RAISE EXCEPTION v_esql, v_isam, v_text;
        END IF;
        RETURN 'print_backlog_note: unexpected error ' || v_esql;
    END EXCEPTION;
    SELECT backlog INTO v_backlog FROM sales_order WHERE order_num = p_order;
    IF v_backlog IS NULL THEN
        RAISE EXCEPTION -746, 0, 'Order not found';
    END IF;
    IF v_backlog = 'y' THEN
        RETURN 'Order ' || p_order || ' is on backlog';
    END IF;
    RETURN 'Order ' || p_order || ' is complete';
END PROCEDURE;

CREATE PROCEDURE reprice_maker(p_maker CHAR(3), p_percent DECIMAL(5,2))
RETURNING INTEGER AS parts_changed, MONEY(10,2) AS new_total;
    DEFINE v_price MONEY(8,2);
    DEFINE v_count INTEGER;
    DEFINE v_total MONEY(10,2);
    IF p_percent < -50 OR p_percent > 100 THEN
        RAISE EXCEPTION -746, 0, 'Price change out of range';
    END IF;
    LET v_count = 0;
    LET v_total = 0;
    FOREACH c_part FOR
        SELECT unit_price INTO v_price FROM part WHERE maker_code = p_maker
        LET v_price = v_price * (1 + p_percent / 100);
        UPDATE part SET unit_price = v_price WHERE CURRENT OF c_part;
        LET v_count = v_count + 1;
        LET v_total = v_total + v_price;
    END FOREACH;
    RETURN v_count, v_total;
END PROCEDURE
DOCUMENT 'Changes the prices of one maker''s parts by a percentage; each change is audited.';

-- Triggers
CREATE TRIGGER tr_customer_ins INSERT ON customer
    REFERENCING NEW AS n
    FOR EACH ROW
    (INSERT INTO audit_log (log_id, table_name, action, new_value)
        VALUES (0, 'customer', 'I', n.company));

CREATE TRIGGER tr_part_price UPDATE OF unit_price ON part
    REFERENCING OLD AS o NEW AS n
    FOR EACH ROW WHEN (n.unit_price <> o.unit_price)
    (INSERT INTO audit_log (log_id, table_name, action, old_value, new_value)
        VALUES (0, 'part', 'U', o.unit_price || '', n.unit_price || ''));

CREATE TRIGGER tr_order_del DELETE ON sales_order
    AFTER (INSERT INTO audit_log (log_id, table_name, action)
        VALUES (0, 'sales_order', 'D'));

-- Users and roles
GRANT CONNECT TO rachel;
GRANT CONNECT TO tom;
GRANT RESOURCE TO priya;
CREATE ROLE sales_team;
CREATE ROLE auditors;
GRANT sales_team TO rachel;
GRANT sales_team TO tom WITH GRANT OPTION;
GRANT SELECT ON customer TO sales_team;
GRANT SELECT, INSERT, UPDATE ON sales_order TO sales_team;
GRANT SELECT ON order_line TO PUBLIC;
GRANT UPDATE (phone, address1) ON customer TO tom;

UPDATE STATISTICS;
""")

path = pathlib.Path(__file__).resolve().parent.parent / "src" / "engine" / "demo.sql"
path.write_text("\n".join(out) + "\n")
print(f"wrote {path}: {len(out)} chunks, {line_count} order lines")
