-- Quodlin demo database: Brightwheel Cycle Supply, a wholesaler of bicycle
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

-- Code tables
INSERT INTO region VALUES ('NE', 'North East');
INSERT INTO region VALUES ('NW', 'North West');
INSERT INTO region VALUES ('YH', 'Yorkshire');
INSERT INTO region VALUES ('EM', 'East Midlands');
INSERT INTO region VALUES ('WM', 'West Midlands');
INSERT INTO region VALUES ('EE', 'East of England');
INSERT INTO region VALUES ('LN', 'London');
INSERT INTO region VALUES ('SE', 'South East');
INSERT INTO region VALUES ('SW', 'South West');
INSERT INTO region VALUES ('WA', 'Wales');
INSERT INTO region VALUES ('SC', 'Scotland');
INSERT INTO region VALUES ('NI', 'Northern Ireland');
INSERT INTO call_kind VALUES ('B', 'billing error');
INSERT INTO call_kind VALUES ('D', 'damaged goods');
INSERT INTO call_kind VALUES ('I', 'incorrect part');
INSERT INTO call_kind VALUES ('L', 'late shipment');
INSERT INTO call_kind VALUES ('O', 'other');

-- Makers
INSERT INTO maker VALUES ('SHM', 'Shimoda Components', 'Japan', INTERVAL (21) DAY(3) TO DAY, 4.6, 't');
INSERT INTO maker VALUES ('CAM', 'Campora Italia', 'Italy', INTERVAL (35) DAY(3) TO DAY, 4.4, 't');
INSERT INTO maker VALUES ('SRM', 'Sramford Drivetrain', 'USA', INTERVAL (28) DAY(3) TO DAY, 4.3, 't');
INSERT INTO maker VALUES ('CON', 'Contiwerk Reifen', 'Germany', INTERVAL (14) DAY(3) TO DAY, 4.5, 't');
INSERT INTO maker VALUES ('SCH', 'Schwalder Tyres', 'Germany', INTERVAL (18) DAY(3) TO DAY, 4.2, 't');
INSERT INTO maker VALUES ('BRK', 'Brookfield Saddles', 'England', INTERVAL (10) DAY(3) TO DAY, 4.7, 't');
INSERT INTO maker VALUES ('RKS', 'Rockshore Suspension', 'USA', INTERVAL (42) DAY(3) TO DAY, 3.9, 't');
INSERT INTO maker VALUES ('KMC', 'Kaimei Chains', 'Taiwan', INTERVAL (30) DAY(3) TO DAY, 4.0, 't');
INSERT INTO maker VALUES ('LZN', 'Lezano Pumps', 'USA', INTERVAL (25) DAY(3) TO DAY, 4.1, 't');
INSERT INTO maker VALUES ('TPK', 'Topeak Tools Co', 'Taiwan', INTERVAL (20) DAY(3) TO DAY, 3.8, 'f');

-- Parts
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (1, 'SHM', 'handlebar tape', 34.84, 1.906);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (2, 'SHM', 'multi-tool 16', 364.61, 1.384);
INSERT INTO part VALUES (3, 'SHM', 'pedals, flat', 378.97, 'pair', 1.001);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (4, 'SHM', 'brake caliper', 15.69, 1.602);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (5, 'SHM', 'disc rotor 180mm', 30.35, 1.275);
INSERT INTO part VALUES (6, 'SHM', 'brake pads (pair)', 361.76, 'pair', 1.617);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (7, 'SHM', 'bottom bracket', 172.69, 2.259);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (8, 'SHM', 'headset', 303.12, 1.294);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (9, 'CAM', 'inner tube 29x2.4', 90.66, 2.446);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (10, 'CAM', 'front derailleur', 37.46, 0.706);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (11, 'CAM', 'inner tube 29x2.4', 285.14, 0.916);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (12, 'CAM', 'chain 11-speed', 205.03, 0.107);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (13, 'CAM', 'multi-tool 16', 101.14, 0.504);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (14, 'CAM', 'floor pump', 116.73, 1.313);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (15, 'SRM', 'fork 100mm', 231.11, 2.138);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (16, 'SRM', 'crankset 50/34', 311.12, 1.630);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (17, 'SRM', 'chain checker', 399.16, 0.531);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (18, 'SRM', 'cassette 11-32', 232.63, 1.948);
INSERT INTO part VALUES (19, 'SRM', 'pedals, clipless', 314.18, 'pair', 2.267);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (20, 'SRM', 'road tyre 700x28', 49.11, 1.206);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (21, 'SRM', 'gravel tyre 700x40', 163.08, 0.476);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (22, 'SRM', 'handlebar tape', 18.57, 1.446);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (23, 'CON', 'fork 100mm', 336.77, 0.539);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (24, 'CON', 'mtb tyre 29x2.4', 140.95, 1.198);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (25, 'CON', 'inner tube 700x25', 53.46, 0.188);
INSERT INTO part VALUES (26, 'CON', 'pedals, clipless', 391.77, 'pair', 0.397);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (27, 'SCH', 'headset', 346.10, 1.512);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (28, 'SCH', 'chain 11-speed', 190.19, 1.595);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (29, 'SCH', 'brake caliper', 64.69, 0.641);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (30, 'SCH', 'inner tube 29x2.4', 317.46, 0.877);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (31, 'BRK', 'front derailleur', 210.33, 0.967);
INSERT INTO part VALUES (32, 'BRK', 'shifter pair', 9.96, 'pair', 1.173);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (33, 'BRK', 'mini pump', 335.48, 1.741);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (34, 'BRK', 'saddle, touring', 181.53, 1.562);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (35, 'RKS', 'bottom bracket', 64.12, 2.243);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (36, 'RKS', 'floor pump', 93.76, 1.358);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (37, 'RKS', 'chain 11-speed', 23.39, 1.717);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (38, 'RKS', 'inner tube 29x2.4', 7.94, 1.183);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (39, 'RKS', 'saddle, racing', 191.65, 0.957);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (40, 'RKS', 'crankset 50/34', 137.56, 0.961);
INSERT INTO part VALUES (41, 'RKS', 'pedals, clipless', 142.55, 'pair', 1.419);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (42, 'RKS', 'saddle, racing', 142.60, 1.923);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (43, 'KMC', 'inner tube 700x25', 203.94, 1.535);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (44, 'KMC', 'cassette 10-42', 218.78, 1.664);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (45, 'KMC', 'floor pump', 331.85, 1.091);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (46, 'KMC', 'saddle, racing', 409.37, 1.593);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (47, 'KMC', 'saddle, touring', 204.99, 1.078);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (48, 'KMC', 'handlebar tape', 92.94, 1.506);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (49, 'KMC', 'cassette 11-32', 155.76, 2.398);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (50, 'KMC', 'mini pump', 53.74, 0.649);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (51, 'LZN', 'disc rotor 160mm', 71.80, 1.513);
INSERT INTO part VALUES (52, 'LZN', 'shifter pair', 375.53, 'pair', 1.696);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (53, 'LZN', 'rear shock', 347.85, 0.365);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (54, 'LZN', 'floor pump', 344.24, 1.272);
INSERT INTO part VALUES (55, 'LZN', 'shifter pair', 207.18, 'pair', 1.449);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (56, 'TPK', 'saddle, racing', 106.25, 0.122);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (57, 'TPK', 'front derailleur', 212.43, 0.184);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (58, 'TPK', 'handlebar tape', 389.92, 2.117);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (59, 'TPK', 'disc rotor 160mm', 123.20, 0.430);
INSERT INTO part VALUES (60, 'TPK', 'pedals, clipless', 314.36, 'pair', 1.620);
INSERT INTO part (part_num, maker_code, description, unit_price, weight_kg) VALUES (61, 'TPK', 'fork 100mm', 299.87, 2.141);

-- Customers (SERIAL numbers start at 101)
INSERT INTO customer VALUES (0, 'Chloe', 'Irving', 'Spokes & Sprockets', '219 Bridge St', 'Portsmouth', 'SE', 'PO12 2BS', '01744 711828', 'Y', '08/20/2019', 1500.00, NULL);
INSERT INTO customer VALUES (0, 'Zoe', 'Quinn', 'The Bike Shed', '197 Church St', 'Durham', 'NE', 'DU3 6FS', '01493 138221', 'Y', '11/04/2020', 2500.00, 'Prefers morning deliveries.');
INSERT INTO customer VALUES (0, 'Chloe', 'Vaughan', 'Freewheel Cycles', '71 Castle Hill', 'Manchester', 'NW', 'MA7 9ER', '01462 788099', 'N', '04/17/2020', 1500.00, NULL);
INSERT INTO customer VALUES (0, 'Liam', 'Vaughan', 'Chainline', '145 Church St', 'Kendal', 'NW', 'KE2 9DL', '01917 144533', 'N', '03/31/2023', 2500.00, NULL);
INSERT INTO customer VALUES (0, 'Farid', 'Jones', 'Pedal Power', '84 Canal Wharf', 'Leeds', 'YH', 'LE14 9JQ', '01208 232166', 'N', '05/25/2019', 10000.00, 'Seasonal shop: closed January.');
INSERT INTO customer VALUES (0, 'Xena', 'Underwood', 'Velo Corner', '41 Market Sq', 'York', 'YH', 'YO10 4DR', '01643 217888', 'N', '12/03/2019', 10000.00, 'Pays by bank transfer; remittance by e-mail.');
INSERT INTO customer VALUES (0, 'Ben', 'Underwood', 'Hill Climb Bikes', '64 Quay St', 'Nottingham', 'EM', 'NO5 8HR', '01501 850441', 'N', '09/15/2021', 5000.00, NULL);
INSERT INTO customer VALUES (0, 'Zoe', 'Lloyd', 'Two Wheels Good', '121 Canal Wharf', 'Portsmouth', 'SE', 'PO20 8BQ', '01138 208488', 'N', '09/13/2023', 1500.00, NULL);
INSERT INTO customer VALUES (0, 'Kirsty', 'Shaw', 'Gear Change', '184 Canal Wharf', 'Cambridge', 'EE', 'CA1 2FS', '01976 698171', 'N', '02/12/2023', 2500.00, 'Prefers morning deliveries.');
INSERT INTO customer VALUES (0, 'Niall', 'Irving', 'Cadence Cycles', '59 Castle Hill', 'Norwich', 'EE', 'NO15 5BT', '01221 739918', 'N', '09/07/2019', 1500.00, 'Seasonal shop: closed January.');
INSERT INTO customer VALUES (0, 'Isla', 'Shaw', 'The Crank Room', '22 Canal Wharf', 'London', 'LN', 'LO1 6HS', '01177 221832', 'Y', '03/12/2024', 1500.00, NULL);
INSERT INTO customer VALUES (0, 'Kirsty', 'Khan', 'Tailwind Bikes', '64 Bridge St', 'Brighton', 'SE', 'BR7 1BS', '01819 734174', 'N', '03/17/2019', 2500.00, NULL);
INSERT INTO customer VALUES (0, 'Rosa', 'Hughes', 'Downhill Depot', '93 Station Rd', 'Portsmouth', 'SE', 'PO20 8GS', '01167 711979', 'N', '10/19/2022', 2500.00, NULL);
INSERT INTO customer VALUES (0, 'Vera', 'Reid', 'Saddle Up', '165 Mill Lane', 'Bristol', 'SW', 'BR16 8FQ', '01860 133182', 'N', '03/28/2023', 2500.00, NULL);
INSERT INTO customer VALUES (0, 'Olivia', 'Vaughan', 'Cog & Crank', '238 Church St', 'Portsmouth', 'SE', 'PO7 8EQ', '01129 549162', 'N', '02/20/2022', 10000.00, NULL);
INSERT INTO customer VALUES (0, 'Grace', 'Underwood', 'Spokes & Sprockets West', '129 Market Sq', 'Cardiff', 'WA', 'CA14 7FL', '01753 647674', 'N', '09/04/2021', 10000.00, NULL);
INSERT INTO customer VALUES (0, 'Priya', 'Morgan', 'The Bike Shed North', '138 Quay St', 'Edinburgh', 'SC', 'ED14 8FT', '01877 966943', 'N', '02/01/2020', 2500.00, NULL);
INSERT INTO customer VALUES (0, 'Jack', 'Jones', 'Freewheel Cycles South', '102 Station Rd', 'Glasgow', 'SC', 'GL11 7HP', '01194 741342', 'N', '04/27/2024', 10000.00, 'Seasonal shop: closed January.');
INSERT INTO customer VALUES (0, 'Vera', 'Shaw', 'Chainline East', '57 Market Sq', 'Belfast', 'NI', 'BE15 5AU', '01579 676167', 'N', '01/03/2024', 1500.00, 'Ask for the workshop manager.');
INSERT INTO customer VALUES (0, 'Farid', 'Hughes', 'Pedal Power West', '60 Castle Hill', 'Newcastle', 'NE', 'NE12 1EQ', '01880 981357', 'N', '02/13/2020', 1500.00, 'Ask for the workshop manager.');
INSERT INTO customer VALUES (0, 'Chloe', 'O''Neill', 'Velo Corner North', '111 High St', 'Durham', 'NE', 'DU2 3FU', '01844 121543', 'N', '11/02/2022', 5000.00, NULL);
INSERT INTO customer VALUES (0, 'Isla', 'Vaughan', 'Hill Climb Bikes South', '120 Bridge St', 'Portsmouth', 'SE', 'PO4 3HT', '01900 517060', 'N', '03/11/2020', 1500.00, NULL);
INSERT INTO customer VALUES (0, 'Will', 'Ellis', 'Two Wheels Good East', '105 Quay St', 'Kendal', 'NW', 'KE6 7JP', '01376 709778', 'N', '09/20/2023', 5000.00, 'Ask for the workshop manager.');
INSERT INTO customer VALUES (0, 'Jack', 'Hughes', 'Gear Change West', '156 Bridge St', 'Leeds', 'YH', 'LE5 5GT', '01407 500482', 'N', '10/06/2022', 10000.00, NULL);
INSERT INTO customer VALUES (0, 'Maya', 'Irving', 'Cadence Cycles North', '112 Church St', 'York', 'YH', 'YO2 7JU', '01937 706483', 'N', '04/03/2023', 1500.00, NULL);
INSERT INTO customer VALUES (0, 'Maya', 'Fraser', 'The Crank Room South', '203 Canal Wharf', 'Nottingham', 'EM', 'NO10 1DS', '01100 642860', 'N', '01/28/2023', 1500.00, NULL);
INSERT INTO customer VALUES (0, 'Isla', 'Hughes', 'Tailwind Bikes East', '33 Bridge St', 'Birmingham', 'WM', 'BI6 5BT', '01662 111286', 'N', '10/11/2023', 5000.00, 'Prefers morning deliveries.');
INSERT INTO customer VALUES (0, 'Kirsty', 'Underwood', 'Downhill Depot West', '172 Station Rd', 'Cambridge', 'EE', 'CA1 1JP', '01235 711007', 'N', '06/24/2022', 1500.00, 'Seasonal shop: closed January.');
INSERT INTO customer VALUES (0, 'Chloe', 'Khan', 'Saddle Up North', '82 Quay St', 'Portsmouth', 'SE', 'PO18 1EP', '01951 431490', 'Y', '01/11/2021', 2500.00, 'Pays by bank transfer; remittance by e-mail.');
INSERT INTO customer VALUES (0, 'Jack', 'Bell', 'Cog & Crank South', '185 Castle Hill', 'London', 'LN', 'LO20 8BN', '01225 323265', 'N', '12/21/2022', 1500.00, NULL);
INSERT INTO customer VALUES (0, 'Hamish', 'Gill', 'Spokes & Sprockets East', '115 Station Rd', 'Brighton', 'SE', 'BR7 9FS', '01535 841803', 'N', '07/05/2022', 2500.00, NULL);
INSERT INTO customer VALUES (0, 'Quentin', 'Patel', 'The Bike Shed West', '189 Mill Lane', 'Portsmouth', 'SE', 'PO12 8DR', '01884 148133', 'N', '12/03/2019', 1500.00, 'Pays by bank transfer; remittance by e-mail.');
INSERT INTO customer VALUES (0, 'Hamish', 'O''Neill', 'Freewheel Cycles North', '24 Castle Hill', 'Bristol', 'SW', 'BR4 3HT', '01874 664163', 'N', '09/11/2019', 10000.00, NULL);
INSERT INTO customer VALUES (0, 'Tara', 'Vaughan', 'Chainline South', '8 Canal Wharf', 'Exeter', 'SW', 'EX8 3BT', '01953 742787', 'N', '08/11/2020', 2500.00, 'Pays by bank transfer; remittance by e-mail.');
INSERT INTO customer VALUES (0, 'Sam', 'Dunn', 'Pedal Power East', '173 Castle Hill', 'Cardiff', 'WA', 'CA13 9EQ', '01658 130458', 'N', '03/19/2020', 1500.00, NULL);
INSERT INTO customer VALUES (0, 'Yusuf', 'Dunn', 'Velo Corner West', '9 Market Sq', 'Portsmouth', 'SE', 'PO18 2FT', '01864 307802', 'Y', '12/08/2020', 1500.00, NULL);
INSERT INTO customer VALUES (0, 'Hamish', 'O''Neill', 'Hill Climb Bikes North', '223 Canal Wharf', 'Glasgow', 'SC', 'GL3 2BN', '01485 675626', 'N', '05/25/2020', 2500.00, NULL);
INSERT INTO customer VALUES (0, 'Quentin', 'Carter', 'Two Wheels Good South', '96 Canal Wharf', 'Belfast', 'NI', 'BE10 8FR', '01971 701814', 'N', '06/09/2024', 2500.00, 'Ask for the workshop manager.');
INSERT INTO customer VALUES (0, 'Maya', 'Dunn', 'Gear Change East', '184 Market Sq', 'Newcastle', 'NE', 'NE16 1BS', '01443 873344', 'N', '07/11/2021', 2500.00, 'Pays by bank transfer; remittance by e-mail.');
INSERT INTO customer VALUES (0, 'Quentin', 'Young', 'Cadence Cycles West', '225 Canal Wharf', 'Durham', 'NE', 'DU20 4AR', '01437 628258', 'Y', '04/30/2021', 1500.00, NULL);
INSERT INTO customer VALUES (0, 'Will', 'Morgan', 'The Crank Room North', '126 Bridge St', 'Manchester', 'NW', 'MA18 1GN', '01236 780043', 'N', '12/10/2021', 2500.00, NULL);
INSERT INTO customer VALUES (0, 'Hamish', 'Gill', 'Tailwind Bikes South', '227 Quay St', 'Kendal', 'NW', 'KE17 6AR', '01136 966250', 'N', '01/14/2024', 2500.00, NULL);
INSERT INTO customer VALUES (0, 'Niall', 'Irving', 'Downhill Depot East', '206 Castle Hill', 'Portsmouth', 'SE', 'PO10 6HU', '01133 407139', 'N', '01/13/2022', 1500.00, NULL);
INSERT INTO customer VALUES (0, 'Hamish', 'Morgan', 'Saddle Up West', '62 Quay St', 'York', 'YH', 'YO1 2ES', '01804 374421', 'N', '05/21/2023', 5000.00, 'Ask for the workshop manager.');
INSERT INTO customer VALUES (0, 'Emma', 'Nash', 'Cog & Crank North', '225 Mill Lane', 'Nottingham', 'EM', 'NO13 4GU', '01980 826715', 'N', '10/25/2023', 2500.00, NULL);

-- Orders and their lines (SERIAL numbers start at 1001)
INSERT INTO sales_order VALUES (0, '01/08/2025', 128, 'Split shipment allowed', 'n', NULL, '01/16/2025', 41.62, 23.73, '02/19/2025');
INSERT INTO order_line VALUES (1, 1001, 18, 'SRM', 11, 2558.93);
INSERT INTO order_line VALUES (2, 1001, 12, 'CAM', 4, 820.12);
INSERT INTO sales_order VALUES (0, '05/27/2025', 134, 'Leave with neighbour at no. 4', 'n', 'PO50653', '06/03/2025', 38.74, 22.43, '06/28/2025');
INSERT INTO order_line VALUES (1, 1002, 25, 'CON', 11, 588.06);
INSERT INTO order_line VALUES (2, 1002, 40, 'RKS', 4, 550.24);
INSERT INTO order_line VALUES (3, 1002, 36, 'RKS', 6, 562.56);
INSERT INTO order_line VALUES (4, 1002, 38, 'RKS', 1, 7.94);
INSERT INTO sales_order VALUES (0, '05/05/2025', 130, 'Call before delivery', 'n', NULL, '05/09/2025', 29.15, 18.12, NULL);
INSERT INTO order_line VALUES (1, 1003, 36, 'RKS', 4, 375.04);
INSERT INTO order_line VALUES (2, 1003, 35, 'RKS', 1, 64.12);
INSERT INTO sales_order VALUES (0, '09/02/2026', 135, 'Leave with neighbour at no. 4', 'n', NULL, '09/14/2026', 42.08, 23.94, '10/23/2026');
INSERT INTO order_line VALUES (1, 1004, 27, 'SCH', 10, 3461.00);
INSERT INTO order_line VALUES (2, 1004, 19, 'SRM', 6, 1885.08);
INSERT INTO sales_order VALUES (0, '12/11/2025', 101, 'Leave with neighbour at no. 4', 'n', NULL, '12/21/2025', 31.95, 19.38, '01/24/2026');
INSERT INTO order_line VALUES (1, 1005, 2, 'SHM', 2, 729.22);
INSERT INTO sales_order VALUES (0, '05/22/2026', 145, 'Pallet delivery, forklift on site', 'y', 'PO92255', NULL, 2.82, NULL, NULL);
INSERT INTO order_line VALUES (1, 1006, 51, 'LZN', 12, 861.60);
INSERT INTO order_line VALUES (2, 1006, 23, 'CON', 8, 2694.16);
INSERT INTO order_line VALUES (3, 1006, 12, 'CAM', 5, 1025.15);
INSERT INTO sales_order VALUES (0, '06/03/2026', 115, NULL, 'n', 'PO18707', '06/11/2026', 38.85, 22.48, '07/03/2026');
INSERT INTO order_line VALUES (1, 1007, 57, 'TPK', 4, 849.72);
INSERT INTO sales_order VALUES (0, '06/25/2025', 140, 'Call before delivery', 'n', NULL, NULL, 50.66, NULL, NULL);
INSERT INTO order_line VALUES (1, 1008, 55, 'LZN', 5, 1035.90);
INSERT INTO order_line VALUES (2, 1008, 7, 'SHM', 11, 1899.59);
INSERT INTO order_line VALUES (3, 1008, 12, 'CAM', 9, 1845.27);
INSERT INTO sales_order VALUES (0, '09/29/2025', 107, 'Express: customer waiting', 'n', NULL, '10/07/2025', 46.88, 26.10, '11/04/2025');
INSERT INTO order_line VALUES (1, 1009, 2, 'SHM', 4, 1458.44);
INSERT INTO order_line VALUES (2, 1009, 38, 'RKS', 8, 63.52);
INSERT INTO order_line VALUES (3, 1009, 14, 'CAM', 8, 933.84);
INSERT INTO order_line VALUES (4, 1009, 12, 'CAM', 6, 1230.18);
INSERT INTO sales_order VALUES (0, '08/31/2025', 122, 'Leave with neighbour at no. 4', 'n', 'PO60052', '09/09/2025', 42.20, 23.99, '10/03/2025');
INSERT INTO order_line VALUES (1, 1010, 32, 'BRK', 11, 109.56);
INSERT INTO order_line VALUES (2, 1010, 49, 'KMC', 7, 1090.32);
INSERT INTO sales_order VALUES (0, '04/19/2026', 133, 'Split shipment allowed', 'n', 'PO16844', '04/21/2026', 17.91, 13.06, '05/04/2026');
INSERT INTO order_line VALUES (1, 1011, 20, 'SRM', 11, 540.21);
INSERT INTO order_line VALUES (2, 1011, 21, 'SRM', 1, 163.08);
INSERT INTO order_line VALUES (3, 1011, 24, 'CON', 10, 1409.50);
INSERT INTO order_line VALUES (4, 1011, 54, 'LZN', 1, 344.24);
INSERT INTO sales_order VALUES (0, '05/17/2025', 129, 'Pallet delivery, forklift on site', 'n', NULL, '05/26/2025', 3.88, 6.75, '06/14/2025');
INSERT INTO order_line VALUES (1, 1012, 38, 'RKS', 3, 23.82);
INSERT INTO sales_order VALUES (0, '08/26/2025', 107, 'Call before delivery', 'n', 'PO41588', '08/29/2025', 9.38, 9.22, '10/10/2025');
INSERT INTO order_line VALUES (1, 1013, 36, 'RKS', 3, 281.28);
INSERT INTO order_line VALUES (2, 1013, 4, 'SHM', 7, 109.83);
INSERT INTO order_line VALUES (3, 1013, 61, 'TPK', 5, 1499.35);
INSERT INTO sales_order VALUES (0, '03/27/2026', 133, 'Pallet delivery, forklift on site', 'n', 'PO24938', '03/29/2026', 51.99, 28.40, NULL);
INSERT INTO order_line VALUES (1, 1014, 51, 'LZN', 3, 215.40);
INSERT INTO order_line VALUES (2, 1014, 41, 'RKS', 11, 1568.05);
INSERT INTO order_line VALUES (3, 1014, 59, 'TPK', 8, 985.60);
INSERT INTO sales_order VALUES (0, '01/09/2025', 141, NULL, 'n', NULL, '01/20/2025', 44.50, 25.03, '02/09/2025');
INSERT INTO order_line VALUES (1, 1015, 53, 'LZN', 2, 695.70);
INSERT INTO order_line VALUES (2, 1015, 2, 'SHM', 12, 4375.32);
INSERT INTO order_line VALUES (3, 1015, 47, 'KMC', 8, 1639.92);
INSERT INTO sales_order VALUES (0, '04/28/2026', 124, 'Call before delivery', 'n', NULL, '04/30/2026', 29.82, 18.42, NULL);
INSERT INTO order_line VALUES (1, 1016, 14, 'CAM', 9, 1050.57);
INSERT INTO order_line VALUES (2, 1016, 34, 'BRK', 10, 1815.30);
INSERT INTO sales_order VALUES (0, '06/16/2025', 129, 'Split shipment allowed', 'n', NULL, '06/28/2025', 43.55, 24.60, NULL);
INSERT INTO order_line VALUES (1, 1017, 31, 'BRK', 1, 210.33);
INSERT INTO order_line VALUES (2, 1017, 4, 'SHM', 8, 125.52);
INSERT INTO sales_order VALUES (0, '04/01/2025', 125, 'Split shipment allowed', 'n', 'PO47001', '04/06/2025', 32.67, 19.70, '05/03/2025');
INSERT INTO order_line VALUES (1, 1018, 9, 'CAM', 9, 815.94);
INSERT INTO order_line VALUES (2, 1018, 29, 'SCH', 10, 646.90);
INSERT INTO order_line VALUES (3, 1018, 18, 'SRM', 2, 465.26);
INSERT INTO sales_order VALUES (0, '01/12/2025', 120, 'Deliver to rear entrance', 'n', 'PO41416', '01/18/2025', 59.32, 31.69, NULL);
INSERT INTO order_line VALUES (1, 1019, 6, 'SHM', 12, 4341.12);
INSERT INTO order_line VALUES (2, 1019, 23, 'CON', 7, 2357.39);
INSERT INTO order_line VALUES (3, 1019, 33, 'BRK', 7, 2348.36);
INSERT INTO order_line VALUES (4, 1019, 47, 'KMC', 12, 2459.88);
INSERT INTO sales_order VALUES (0, '01/09/2026', 113, 'Split shipment allowed', 'n', NULL, '01/19/2026', 33.86, 20.24, '02/11/2026');
INSERT INTO order_line VALUES (1, 1020, 57, 'TPK', 6, 1274.58);
INSERT INTO sales_order VALUES (0, '10/07/2025', 132, 'Call before delivery', 'n', 'PO88804', '10/08/2025', 2.85, 6.28, '10/31/2025');
INSERT INTO order_line VALUES (1, 1021, 14, 'CAM', 12, 1400.76);
INSERT INTO order_line VALUES (2, 1021, 37, 'RKS', 6, 140.34);
INSERT INTO order_line VALUES (3, 1021, 26, 'CON', 12, 4701.24);
INSERT INTO sales_order VALUES (0, '12/22/2025', 142, 'Call before delivery', 'y', 'PO29503', NULL, 50.42, NULL, NULL);
INSERT INTO order_line VALUES (1, 1022, 35, 'RKS', 11, 705.32);
INSERT INTO order_line VALUES (2, 1022, 49, 'KMC', 8, 1246.08);
INSERT INTO order_line VALUES (3, 1022, 40, 'RKS', 1, 137.56);
INSERT INTO order_line VALUES (4, 1022, 21, 'SRM', 4, 652.32);
INSERT INTO sales_order VALUES (0, '03/22/2025', 108, 'Pallet delivery, forklift on site', 'n', 'PO26989', '03/25/2025', 41.71, 23.77, '04/14/2025');
INSERT INTO order_line VALUES (1, 1023, 13, 'CAM', 7, 707.98);
INSERT INTO sales_order VALUES (0, '03/18/2026', 126, 'Deliver to rear entrance', 'n', NULL, '03/22/2026', 38.21, 22.19, '05/05/2026');
INSERT INTO order_line VALUES (1, 1024, 60, 'TPK', 7, 2200.52);
INSERT INTO order_line VALUES (2, 1024, 23, 'CON', 7, 2357.39);
INSERT INTO order_line VALUES (3, 1024, 27, 'SCH', 1, 346.10);
INSERT INTO order_line VALUES (4, 1024, 50, 'KMC', 3, 161.22);
INSERT INTO sales_order VALUES (0, '01/31/2026', 102, 'Deliver to rear entrance', 'n', NULL, '02/10/2026', 28.74, 17.93, '03/16/2026');
INSERT INTO order_line VALUES (1, 1025, 37, 'RKS', 10, 233.90);
INSERT INTO order_line VALUES (2, 1025, 23, 'CON', 3, 1010.31);
INSERT INTO order_line VALUES (3, 1025, 60, 'TPK', 3, 943.08);
INSERT INTO sales_order VALUES (0, '03/14/2025', 112, 'Pallet delivery, forklift on site', 'y', 'PO75562', NULL, 14.89, NULL, NULL);
INSERT INTO order_line VALUES (1, 1026, 2, 'SHM', 7, 2552.27);
INSERT INTO order_line VALUES (2, 1026, 6, 'SHM', 8, 2894.08);
INSERT INTO order_line VALUES (3, 1026, 42, 'RKS', 3, 427.80);
INSERT INTO sales_order VALUES (0, '07/21/2026', 112, 'Call before delivery', 'n', 'PO24773', '07/30/2026', 55.43, 29.94, '08/14/2026');
INSERT INTO order_line VALUES (1, 1027, 47, 'KMC', 1, 204.99);
INSERT INTO order_line VALUES (2, 1027, 48, 'KMC', 7, 650.58);
INSERT INTO order_line VALUES (3, 1027, 35, 'RKS', 12, 769.44);
INSERT INTO sales_order VALUES (0, '09/25/2026', 123, 'Call before delivery', 'n', NULL, '10/01/2026', 18.28, 13.23, '11/08/2026');
INSERT INTO order_line VALUES (1, 1028, 2, 'SHM', 6, 2187.66);
INSERT INTO order_line VALUES (2, 1028, 3, 'SHM', 9, 3410.73);
INSERT INTO order_line VALUES (3, 1028, 33, 'BRK', 8, 2683.84);
INSERT INTO order_line VALUES (4, 1028, 29, 'SCH', 9, 582.21);
INSERT INTO sales_order VALUES (0, '11/08/2025', 117, 'Pallet delivery, forklift on site', 'n', 'PO81456', '11/19/2025', 59.36, 31.71, '11/27/2025');
INSERT INTO order_line VALUES (1, 1029, 46, 'KMC', 10, 4093.70);
INSERT INTO order_line VALUES (2, 1029, 19, 'SRM', 12, 3770.16);
INSERT INTO order_line VALUES (3, 1029, 31, 'BRK', 11, 2313.63);
INSERT INTO order_line VALUES (4, 1029, 45, 'KMC', 9, 2986.65);
INSERT INTO sales_order VALUES (0, '06/24/2026', 110, 'Express: customer waiting', 'n', 'PO81886', '06/29/2026', 0.67, 5.30, '08/02/2026');
INSERT INTO order_line VALUES (1, 1030, 41, 'RKS', 1, 142.55);
INSERT INTO order_line VALUES (2, 1030, 4, 'SHM', 9, 141.21);
INSERT INTO order_line VALUES (3, 1030, 59, 'TPK', 9, 1108.80);
INSERT INTO sales_order VALUES (0, '07/18/2026', 141, 'Split shipment allowed', 'n', NULL, '07/28/2026', 55.63, 30.03, NULL);
INSERT INTO order_line VALUES (1, 1031, 40, 'RKS', 5, 687.80);
INSERT INTO order_line VALUES (2, 1031, 27, 'SCH', 12, 4153.20);
INSERT INTO sales_order VALUES (0, '09/23/2025', 130, 'Leave with neighbour at no. 4', 'n', NULL, '09/26/2025', 2.02, 5.91, '10/18/2025');
INSERT INTO order_line VALUES (1, 1032, 53, 'LZN', 4, 1391.40);
INSERT INTO order_line VALUES (2, 1032, 40, 'RKS', 1, 137.56);
INSERT INTO sales_order VALUES (0, '02/11/2025', 127, 'Call before delivery', 'n', NULL, NULL, 30.76, NULL, NULL);
INSERT INTO order_line VALUES (1, 1033, 57, 'TPK', 7, 1487.01);
INSERT INTO sales_order VALUES (0, '02/11/2026', 137, 'Pallet delivery, forklift on site', 'y', 'PO28915', NULL, 52.58, NULL, NULL);
INSERT INTO order_line VALUES (1, 1034, 19, 'SRM', 1, 314.18);
INSERT INTO order_line VALUES (2, 1034, 50, 'KMC', 9, 483.66);
INSERT INTO sales_order VALUES (0, '03/04/2025', 104, 'Call before delivery', 'n', NULL, '03/16/2025', 24.59, 16.07, '04/17/2025');
INSERT INTO order_line VALUES (1, 1035, 12, 'CAM', 3, 615.09);
INSERT INTO sales_order VALUES (0, '01/11/2025', 113, 'Leave with neighbour at no. 4', 'n', 'PO50800', '01/21/2025', 38.23, 22.20, '02/28/2025');
INSERT INTO order_line VALUES (1, 1036, 18, 'SRM', 5, 1163.15);
INSERT INTO order_line VALUES (2, 1036, 11, 'CAM', 1, 285.14);
INSERT INTO order_line VALUES (3, 1036, 58, 'TPK', 7, 2729.44);
INSERT INTO sales_order VALUES (0, '01/31/2025', 126, 'Leave with neighbour at no. 4', 'n', NULL, '02/07/2025', 4.55, 7.05, '03/01/2025');
INSERT INTO order_line VALUES (1, 1037, 26, 'CON', 12, 4701.24);
INSERT INTO order_line VALUES (2, 1037, 4, 'SHM', 2, 31.38);
INSERT INTO order_line VALUES (3, 1037, 57, 'TPK', 9, 1911.87);
INSERT INTO sales_order VALUES (0, '07/03/2026', 123, 'Express: customer waiting', 'n', 'PO22790', '07/04/2026', 59.42, 31.74, '08/05/2026');
INSERT INTO order_line VALUES (1, 1038, 1, 'SHM', 11, 383.24);
INSERT INTO order_line VALUES (2, 1038, 21, 'SRM', 11, 1793.88);
INSERT INTO order_line VALUES (3, 1038, 11, 'CAM', 2, 570.28);
INSERT INTO sales_order VALUES (0, '01/23/2026', 132, 'Call before delivery', 'n', 'PO43430', '02/01/2026', 52.62, 28.68, NULL);
INSERT INTO order_line VALUES (1, 1039, 57, 'TPK', 12, 2549.16);
INSERT INTO sales_order VALUES (0, '03/07/2025', 122, 'Leave with neighbour at no. 4', 'n', NULL, '03/09/2025', 39.23, 22.65, '04/16/2025');
INSERT INTO order_line VALUES (1, 1040, 42, 'RKS', 12, 1711.20);
INSERT INTO order_line VALUES (2, 1040, 12, 'CAM', 8, 1640.24);
INSERT INTO sales_order VALUES (0, '11/13/2025', 107, 'Deliver to rear entrance', 'n', 'PO55509', '11/15/2025', 26.67, 17.00, NULL);
INSERT INTO order_line VALUES (1, 1041, 9, 'CAM', 3, 271.98);
INSERT INTO order_line VALUES (2, 1041, 48, 'KMC', 3, 278.82);
INSERT INTO sales_order VALUES (0, '05/04/2026', 115, 'Express: customer waiting', 'n', 'PO93995', '05/05/2026', 18.90, 13.50, '05/26/2026');
INSERT INTO order_line VALUES (1, 1042, 31, 'BRK', 2, 420.66);
INSERT INTO order_line VALUES (2, 1042, 9, 'CAM', 5, 453.30);
INSERT INTO order_line VALUES (3, 1042, 30, 'SCH', 3, 952.38);
INSERT INTO order_line VALUES (4, 1042, 41, 'RKS', 9, 1282.95);
INSERT INTO sales_order VALUES (0, '09/20/2026', 138, 'Express: customer waiting', 'n', 'PO40336', '09/28/2026', 32.34, 19.55, '11/06/2026');
INSERT INTO order_line VALUES (1, 1043, 30, 'SCH', 12, 3809.52);
INSERT INTO order_line VALUES (2, 1043, 1, 'SHM', 6, 209.04);
INSERT INTO order_line VALUES (3, 1043, 61, 'TPK', 7, 2099.09);
INSERT INTO sales_order VALUES (0, '05/30/2025', 103, NULL, 'n', NULL, '06/08/2025', 12.71, 10.72, NULL);
INSERT INTO order_line VALUES (1, 1044, 39, 'RKS', 5, 958.25);
INSERT INTO order_line VALUES (2, 1044, 27, 'SCH', 10, 3461.00);
INSERT INTO sales_order VALUES (0, '10/28/2025', 127, 'Split shipment allowed', 'n', 'PO69318', '10/29/2025', 52.83, 28.77, '12/07/2025');
INSERT INTO order_line VALUES (1, 1045, 44, 'KMC', 8, 1750.24);
INSERT INTO order_line VALUES (2, 1045, 37, 'RKS', 9, 210.51);
INSERT INTO sales_order VALUES (0, '10/04/2025', 115, 'Pallet delivery, forklift on site', 'n', 'PO80481', '10/08/2025', 41.81, 23.81, '11/12/2025');
INSERT INTO order_line VALUES (1, 1046, 34, 'BRK', 6, 1089.18);
INSERT INTO order_line VALUES (2, 1046, 56, 'TPK', 4, 425.00);
INSERT INTO order_line VALUES (3, 1046, 36, 'RKS', 9, 843.84);
INSERT INTO order_line VALUES (4, 1046, 37, 'RKS', 10, 233.90);
INSERT INTO sales_order VALUES (0, '02/02/2025', 101, 'Leave with neighbour at no. 4', 'n', 'PO97584', '02/14/2025', 18.30, 13.24, NULL);
INSERT INTO order_line VALUES (1, 1047, 1, 'SHM', 3, 104.52);
INSERT INTO order_line VALUES (2, 1047, 5, 'SHM', 8, 242.80);
INSERT INTO sales_order VALUES (0, '08/18/2026', 112, 'Call before delivery', 'n', NULL, '08/27/2026', 31.43, 19.14, '09/05/2026');
INSERT INTO order_line VALUES (1, 1048, 17, 'SRM', 9, 3592.44);
INSERT INTO order_line VALUES (2, 1048, 41, 'RKS', 12, 1710.60);
INSERT INTO sales_order VALUES (0, '02/17/2025', 111, 'Pallet delivery, forklift on site', 'n', NULL, '02/26/2025', 46.21, 25.79, '03/09/2025');
INSERT INTO order_line VALUES (1, 1049, 53, 'LZN', 10, 3478.50);
INSERT INTO order_line VALUES (2, 1049, 37, 'RKS', 8, 187.12);
INSERT INTO sales_order VALUES (0, '05/13/2025', 120, 'Leave with neighbour at no. 4', 'y', 'PO25911', NULL, 38.10, NULL, NULL);
INSERT INTO order_line VALUES (1, 1050, 15, 'SRM', 5, 1155.55);
INSERT INTO order_line VALUES (2, 1050, 24, 'CON', 8, 1127.60);
INSERT INTO order_line VALUES (3, 1050, 59, 'TPK', 6, 739.20);
INSERT INTO sales_order VALUES (0, '07/03/2025', 144, 'Split shipment allowed', 'n', NULL, NULL, 58.49, NULL, NULL);
INSERT INTO order_line VALUES (1, 1051, 11, 'CAM', 12, 3421.68);
INSERT INTO order_line VALUES (2, 1051, 33, 'BRK', 7, 2348.36);
INSERT INTO order_line VALUES (3, 1051, 36, 'RKS', 2, 187.52);
INSERT INTO order_line VALUES (4, 1051, 34, 'BRK', 8, 1452.24);
INSERT INTO sales_order VALUES (0, '01/18/2025', 108, 'Pallet delivery, forklift on site', 'n', NULL, '01/25/2025', 33.40, 20.03, '02/01/2025');
INSERT INTO order_line VALUES (1, 1052, 11, 'CAM', 11, 3136.54);
INSERT INTO sales_order VALUES (0, '09/18/2025', 137, 'Split shipment allowed', 'n', 'PO74617', '09/19/2025', 56.28, 30.33, '10/31/2025');
INSERT INTO order_line VALUES (1, 1053, 15, 'SRM', 12, 2773.32);
INSERT INTO order_line VALUES (2, 1053, 31, 'BRK', 1, 210.33);
INSERT INTO order_line VALUES (3, 1053, 34, 'BRK', 11, 1996.83);
INSERT INTO sales_order VALUES (0, '10/21/2025', 101, 'Call before delivery', 'y', NULL, NULL, 9.76, NULL, NULL);
INSERT INTO order_line VALUES (1, 1054, 9, 'CAM', 9, 815.94);
INSERT INTO order_line VALUES (2, 1054, 54, 'LZN', 12, 4130.88);
INSERT INTO order_line VALUES (3, 1054, 60, 'TPK', 9, 2829.24);
INSERT INTO order_line VALUES (4, 1054, 13, 'CAM', 11, 1112.54);
INSERT INTO sales_order VALUES (0, '09/16/2026', 102, 'Express: customer waiting', 'n', NULL, '09/18/2026', 11.97, 10.39, NULL);
INSERT INTO order_line VALUES (1, 1055, 33, 'BRK', 9, 3019.32);
INSERT INTO order_line VALUES (2, 1055, 31, 'BRK', 12, 2523.96);
INSERT INTO sales_order VALUES (0, '07/05/2025', 110, 'Leave with neighbour at no. 4', 'n', 'PO29382', NULL, 55.67, NULL, NULL);
INSERT INTO order_line VALUES (1, 1056, 43, 'KMC', 7, 1427.58);
INSERT INTO order_line VALUES (2, 1056, 39, 'RKS', 6, 1149.90);
INSERT INTO sales_order VALUES (0, '03/18/2025', 140, 'Leave with neighbour at no. 4', 'n', 'PO71433', '03/24/2025', 15.02, 11.76, '05/06/2025');
INSERT INTO order_line VALUES (1, 1057, 30, 'SCH', 12, 3809.52);
INSERT INTO order_line VALUES (2, 1057, 45, 'KMC', 8, 2654.80);
INSERT INTO order_line VALUES (3, 1057, 29, 'SCH', 11, 711.59);
INSERT INTO sales_order VALUES (0, '10/22/2025', 112, 'Express: customer waiting', 'n', 'PO58016', '10/31/2025', 50.44, 27.70, NULL);
INSERT INTO order_line VALUES (1, 1058, 58, 'TPK', 10, 3899.20);
INSERT INTO order_line VALUES (2, 1058, 49, 'KMC', 8, 1246.08);
INSERT INTO sales_order VALUES (0, '05/26/2025', 141, 'Call before delivery', 'n', NULL, '06/06/2025', 54.00, 29.30, '07/03/2025');
INSERT INTO order_line VALUES (1, 1059, 22, 'SRM', 6, 111.42);
INSERT INTO order_line VALUES (2, 1059, 46, 'KMC', 5, 2046.85);
INSERT INTO order_line VALUES (3, 1059, 57, 'TPK', 4, 849.72);
INSERT INTO sales_order VALUES (0, '05/22/2025', 103, 'Pallet delivery, forklift on site', 'n', NULL, '05/27/2025', 47.49, 26.37, '06/26/2025');
INSERT INTO order_line VALUES (1, 1060, 32, 'BRK', 3, 29.88);
INSERT INTO sales_order VALUES (0, '04/29/2025', 125, 'Call before delivery', 'n', 'PO57199', '05/05/2025', 30.83, 18.87, '05/30/2025');
INSERT INTO order_line VALUES (1, 1061, 23, 'CON', 7, 2357.39);
INSERT INTO order_line VALUES (2, 1061, 8, 'SHM', 1, 303.12);
INSERT INTO order_line VALUES (3, 1061, 46, 'KMC', 7, 2865.59);
INSERT INTO order_line VALUES (4, 1061, 54, 'LZN', 7, 2409.68);
INSERT INTO sales_order VALUES (0, '07/21/2026', 118, 'Deliver to rear entrance', 'n', 'PO82175', '07/31/2026', 49.58, 27.31, '08/23/2026');
INSERT INTO order_line VALUES (1, 1062, 19, 'SRM', 5, 1570.90);
INSERT INTO sales_order VALUES (0, '10/02/2026', 134, 'Leave with neighbour at no. 4', 'n', NULL, '10/03/2026', 23.22, 15.45, '11/09/2026');
INSERT INTO order_line VALUES (1, 1063, 56, 'TPK', 2, 212.50);
INSERT INTO order_line VALUES (2, 1063, 32, 'BRK', 7, 69.72);
INSERT INTO sales_order VALUES (0, '05/24/2025', 142, 'Leave with neighbour at no. 4', 'n', 'PO15487', '06/04/2025', 16.16, 12.27, '06/30/2025');
INSERT INTO order_line VALUES (1, 1064, 34, 'BRK', 12, 2178.36);
INSERT INTO order_line VALUES (2, 1064, 1, 'SHM', 3, 104.52);
INSERT INTO order_line VALUES (3, 1064, 19, 'SRM', 7, 2199.26);
INSERT INTO sales_order VALUES (0, '04/04/2026', 105, 'Deliver to rear entrance', 'n', 'PO50193', '04/07/2026', 39.62, 22.83, NULL);
INSERT INTO order_line VALUES (1, 1065, 48, 'KMC', 2, 185.88);
INSERT INTO order_line VALUES (2, 1065, 26, 'CON', 2, 783.54);
INSERT INTO sales_order VALUES (0, '03/18/2026', 103, 'Express: customer waiting', 'y', 'PO66425', NULL, 8.54, NULL, NULL);
INSERT INTO order_line VALUES (1, 1066, 14, 'CAM', 2, 233.46);
INSERT INTO sales_order VALUES (0, '09/17/2025', 139, 'Call before delivery', 'n', 'PO53440', '09/20/2025', 34.80, 20.66, '10/09/2025');
INSERT INTO order_line VALUES (1, 1067, 27, 'SCH', 7, 2422.70);
INSERT INTO order_line VALUES (2, 1067, 23, 'CON', 3, 1010.31);
INSERT INTO sales_order VALUES (0, '06/27/2025', 137, 'Express: customer waiting', 'n', 'PO57266', '07/04/2025', 23.60, 15.62, '07/15/2025');
INSERT INTO order_line VALUES (1, 1068, 18, 'SRM', 5, 1163.15);
INSERT INTO sales_order VALUES (0, '10/25/2025', 103, 'Leave with neighbour at no. 4', 'n', NULL, '10/26/2025', 26.46, 16.91, NULL);
INSERT INTO order_line VALUES (1, 1069, 41, 'RKS', 4, 570.20);
INSERT INTO order_line VALUES (2, 1069, 59, 'TPK', 2, 246.40);
INSERT INTO order_line VALUES (3, 1069, 26, 'CON', 2, 783.54);
INSERT INTO sales_order VALUES (0, '03/10/2025', 131, 'Express: customer waiting', 'n', NULL, '03/18/2025', 28.22, 17.70, '04/29/2025');
INSERT INTO order_line VALUES (1, 1070, 51, 'LZN', 12, 861.60);
INSERT INTO order_line VALUES (2, 1070, 56, 'TPK', 1, 106.25);
INSERT INTO order_line VALUES (3, 1070, 15, 'SRM', 10, 2311.10);
INSERT INTO sales_order VALUES (0, '04/13/2026', 115, 'Call before delivery', 'n', 'PO32244', '04/24/2026', 39.82, 22.92, '05/05/2026');
INSERT INTO order_line VALUES (1, 1071, 56, 'TPK', 12, 1275.00);
INSERT INTO sales_order VALUES (0, '01/18/2026', 114, 'Call before delivery', 'n', NULL, '01/28/2026', 59.62, 31.83, NULL);
INSERT INTO order_line VALUES (1, 1072, 53, 'LZN', 2, 695.70);
INSERT INTO order_line VALUES (2, 1072, 27, 'SCH', 7, 2422.70);
INSERT INTO order_line VALUES (3, 1072, 28, 'SCH', 1, 190.19);
INSERT INTO sales_order VALUES (0, '02/11/2026', 116, 'Call before delivery', 'n', 'PO41707', '02/21/2026', 32.66, 19.70, '03/10/2026');
INSERT INTO order_line VALUES (1, 1073, 17, 'SRM', 12, 4789.92);
INSERT INTO order_line VALUES (2, 1073, 36, 'RKS', 12, 1125.12);
INSERT INTO order_line VALUES (3, 1073, 46, 'KMC', 2, 818.74);
INSERT INTO sales_order VALUES (0, '04/17/2026', 112, 'Deliver to rear entrance', 'y', 'PO35657', NULL, 35.34, NULL, NULL);
INSERT INTO order_line VALUES (1, 1074, 43, 'KMC', 1, 203.94);
INSERT INTO order_line VALUES (2, 1074, 50, 'KMC', 1, 53.74);
INSERT INTO order_line VALUES (3, 1074, 36, 'RKS', 1, 93.76);
INSERT INTO sales_order VALUES (0, '02/21/2025', 142, 'Deliver to rear entrance', 'n', NULL, '02/25/2025', 53.28, 28.98, '04/11/2025');
INSERT INTO order_line VALUES (1, 1075, 13, 'CAM', 1, 101.14);
INSERT INTO order_line VALUES (2, 1075, 43, 'KMC', 10, 2039.40);
INSERT INTO order_line VALUES (3, 1075, 33, 'BRK', 12, 4025.76);
INSERT INTO order_line VALUES (4, 1075, 20, 'SRM', 10, 491.10);
INSERT INTO sales_order VALUES (0, '03/05/2026', 137, 'Call before delivery', 'n', 'PO65468', '03/12/2026', 13.58, 11.11, '04/06/2026');
INSERT INTO order_line VALUES (1, 1076, 26, 'CON', 6, 2350.62);
INSERT INTO order_line VALUES (2, 1076, 55, 'LZN', 1, 207.18);
INSERT INTO order_line VALUES (3, 1076, 54, 'LZN', 11, 3786.64);
INSERT INTO sales_order VALUES (0, '07/14/2025', 141, 'Deliver to rear entrance', 'n', NULL, '07/21/2025', 50.71, 27.82, '08/27/2025');
INSERT INTO order_line VALUES (1, 1077, 23, 'CON', 12, 4041.24);
INSERT INTO sales_order VALUES (0, '09/11/2025', 113, 'Call before delivery', 'n', 'PO15514', '09/13/2025', 10.98, 9.94, '10/27/2025');
INSERT INTO order_line VALUES (1, 1078, 51, 'LZN', 1, 71.80);
INSERT INTO sales_order VALUES (0, '01/26/2026', 101, 'Split shipment allowed', 'n', 'PO47159', '02/02/2026', 55.01, 29.75, '02/17/2026');
INSERT INTO order_line VALUES (1, 1079, 4, 'SHM', 10, 156.90);
INSERT INTO order_line VALUES (2, 1079, 29, 'SCH', 7, 452.83);
INSERT INTO order_line VALUES (3, 1079, 27, 'SCH', 7, 2422.70);
INSERT INTO order_line VALUES (4, 1079, 47, 'KMC', 9, 1844.91);
INSERT INTO sales_order VALUES (0, '07/18/2025', 115, 'Leave with neighbour at no. 4', 'n', 'PO36954', '07/20/2025', 29.84, 18.43, '07/26/2025');
INSERT INTO order_line VALUES (1, 1080, 41, 'RKS', 12, 1710.60);
INSERT INTO order_line VALUES (2, 1080, 29, 'SCH', 11, 711.59);
INSERT INTO sales_order VALUES (0, '01/19/2025', 139, 'Split shipment allowed', 'n', 'PO56821', '01/21/2025', 16.03, 12.21, '02/23/2025');
INSERT INTO order_line VALUES (1, 1081, 11, 'CAM', 6, 1710.84);
INSERT INTO order_line VALUES (2, 1081, 30, 'SCH', 8, 2539.68);
INSERT INTO order_line VALUES (3, 1081, 54, 'LZN', 6, 2065.44);
INSERT INTO order_line VALUES (4, 1081, 58, 'TPK', 4, 1559.68);
INSERT INTO sales_order VALUES (0, '04/07/2026', 117, 'Split shipment allowed', 'n', 'PO81374', '04/14/2026', 3.07, 6.38, '05/29/2026');
INSERT INTO order_line VALUES (1, 1082, 28, 'SCH', 10, 1901.90);
INSERT INTO order_line VALUES (2, 1082, 8, 'SHM', 7, 2121.84);
INSERT INTO order_line VALUES (3, 1082, 40, 'RKS', 1, 137.56);
INSERT INTO order_line VALUES (4, 1082, 26, 'CON', 9, 3525.93);
INSERT INTO sales_order VALUES (0, '05/05/2026', 102, 'Deliver to rear entrance', 'n', 'PO27649', NULL, 20.10, NULL, NULL);
INSERT INTO order_line VALUES (1, 1083, 17, 'SRM', 4, 1596.64);
INSERT INTO order_line VALUES (2, 1083, 19, 'SRM', 1, 314.18);
INSERT INTO sales_order VALUES (0, '04/26/2026', 107, 'Leave with neighbour at no. 4', 'n', 'PO36623', '05/01/2026', 46.34, 25.85, '06/07/2026');
INSERT INTO order_line VALUES (1, 1084, 14, 'CAM', 1, 116.73);
INSERT INTO order_line VALUES (2, 1084, 41, 'RKS', 3, 427.65);
INSERT INTO order_line VALUES (3, 1084, 48, 'KMC', 9, 836.46);
INSERT INTO order_line VALUES (4, 1084, 17, 'SRM', 6, 2394.96);
INSERT INTO sales_order VALUES (0, '06/10/2026', 142, 'Leave with neighbour at no. 4', 'n', 'PO66959', '06/13/2026', 24.66, 16.10, '06/18/2026');
INSERT INTO order_line VALUES (1, 1085, 14, 'CAM', 7, 817.11);
INSERT INTO order_line VALUES (2, 1085, 34, 'BRK', 10, 1815.30);
INSERT INTO sales_order VALUES (0, '09/07/2026', 114, 'Leave with neighbour at no. 4', 'n', 'PO56012', '09/10/2026', 7.91, 8.56, '10/25/2026');
INSERT INTO order_line VALUES (1, 1086, 6, 'SHM', 5, 1808.80);
INSERT INTO order_line VALUES (2, 1086, 14, 'CAM', 10, 1167.30);
INSERT INTO order_line VALUES (3, 1086, 13, 'CAM', 6, 606.84);
INSERT INTO sales_order VALUES (0, '07/23/2025', 114, 'Express: customer waiting', 'n', NULL, '07/31/2025', 5.06, 7.28, NULL);
INSERT INTO order_line VALUES (1, 1087, 22, 'SRM', 10, 185.70);
INSERT INTO order_line VALUES (2, 1087, 43, 'KMC', 3, 611.82);
INSERT INTO order_line VALUES (3, 1087, 11, 'CAM', 10, 2851.40);
INSERT INTO sales_order VALUES (0, '08/26/2025', 118, 'Call before delivery', 'n', NULL, '08/29/2025', 23.82, 15.72, '10/13/2025');
INSERT INTO order_line VALUES (1, 1088, 11, 'CAM', 12, 3421.68);
INSERT INTO sales_order VALUES (0, '03/03/2026', 140, 'Split shipment allowed', 'n', NULL, '03/15/2026', 54.03, 29.31, NULL);
INSERT INTO order_line VALUES (1, 1089, 8, 'SHM', 9, 2728.08);
INSERT INTO order_line VALUES (2, 1089, 51, 'LZN', 3, 215.40);
INSERT INTO order_line VALUES (3, 1089, 50, 'KMC', 4, 214.96);
INSERT INTO order_line VALUES (4, 1089, 4, 'SHM', 6, 94.14);
INSERT INTO sales_order VALUES (0, '08/04/2026', 134, 'Call before delivery', 'y', 'PO43533', NULL, 52.80, NULL, NULL);
INSERT INTO order_line VALUES (1, 1090, 6, 'SHM', 12, 4341.12);
INSERT INTO order_line VALUES (2, 1090, 46, 'KMC', 11, 4503.07);
INSERT INTO order_line VALUES (3, 1090, 4, 'SHM', 9, 141.21);

-- Catalogue entries
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 43, 'KMC', 'Tubeless ready, puncture resistant, fast rolling.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 18, 'SRM', 'Tubeless ready, puncture resistant, fast rolling.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 35, 'RKS', 'Built for winter miles and gritty lanes.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 58, 'TPK', 'Precision machined, lifetime bearing warranty.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 45, 'KMC', 'Tubeless ready, puncture resistant, fast rolling.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 26, 'CON', 'Precision machined, lifetime bearing warranty.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 51, 'LZN', 'Built for winter miles and gritty lanes.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 4, 'SHM', 'Built for winter miles and gritty lanes.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 25, 'CON', 'Lighter, stiffer, quieter: the upgrade riders notice.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 42, 'RKS', 'Tubeless ready, puncture resistant, fast rolling.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 1, 'SHM', 'Tubeless ready, puncture resistant, fast rolling.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 27, 'SCH', 'Workshop favourite for a decade.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 5, 'SHM', 'Tubeless ready, puncture resistant, fast rolling.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 61, 'TPK', 'Workshop favourite for a decade.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 19, 'SRM', 'Lighter, stiffer, quieter: the upgrade riders notice.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 32, 'BRK', 'Built for winter miles and gritty lanes.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 39, 'RKS', 'Workshop favourite for a decade.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 56, 'TPK', 'Lighter, stiffer, quieter: the upgrade riders notice.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 33, 'BRK', 'Workshop favourite for a decade.');
INSERT INTO part_catalog (catalog_num, part_num, maker_code, cat_advert) VALUES (0, 60, 'TPK', 'Tubeless ready, puncture resistant, fast rolling.');

-- Service calls
INSERT INTO service_call VALUES (104, DATETIME (2025-05-23 02:30) YEAR TO MINUTE, 'tom', 'B', 'Tyre sidewall split on arrival.', DATETIME (2025-05-25 18:30) YEAR TO MINUTE, 'Credit note issued.');
INSERT INTO service_call VALUES (138, DATETIME (2025-10-11 02:30) YEAR TO MINUTE, 'informix', 'I', 'Delivery three days late, customer event missed.', NULL, NULL);
INSERT INTO service_call VALUES (115, DATETIME (2025-09-18 06:00) YEAR TO MINUTE, 'informix', 'L', 'Asked for a copy of the conformity certificate.', DATETIME (2025-09-19 11:00) YEAR TO MINUTE, 'Sent the document by e-mail.');
INSERT INTO service_call VALUES (110, DATETIME (2025-02-02 20:15) YEAR TO MINUTE, 'tom', 'B', 'Delivery three days late, customer event missed.', DATETIME (2025-02-04 00:15) YEAR TO MINUTE, 'Replacement sent next day.');
INSERT INTO service_call VALUES (123, DATETIME (2025-03-05 04:30) YEAR TO MINUTE, 'tom', 'D', 'Asked for a copy of the conformity certificate.', DATETIME (2025-03-05 22:30) YEAR TO MINUTE, 'Sent the document by e-mail.');
INSERT INTO service_call VALUES (106, DATETIME (2025-03-06 13:00) YEAR TO MINUTE, 'rachel', 'O', 'Wrong cassette ratio sent.', DATETIME (2025-03-09 12:00) YEAR TO MINUTE, 'Replacement sent next day.');
INSERT INTO service_call VALUES (134, DATETIME (2025-03-14 15:45) YEAR TO MINUTE, 'tom', 'I', 'Wrong cassette ratio sent.', DATETIME (2025-03-17 04:45) YEAR TO MINUTE, 'Replacement sent next day.');
INSERT INTO service_call VALUES (129, DATETIME (2025-09-30 06:00) YEAR TO MINUTE, 'rachel', 'O', 'Box arrived crushed; saddle scuffed.', DATETIME (2025-10-02 07:00) YEAR TO MINUTE, 'Replacement sent next day.');
INSERT INTO service_call VALUES (120, DATETIME (2025-09-12 08:15) YEAR TO MINUTE, 'rachel', 'D', 'Tyre sidewall split on arrival.', DATETIME (2025-09-13 01:15) YEAR TO MINUTE, 'Sent the document by e-mail.');
INSERT INTO service_call VALUES (123, DATETIME (2025-10-01 12:45) YEAR TO MINUTE, 'tom', 'O', 'Box arrived crushed; saddle scuffed.', DATETIME (2025-10-02 19:45) YEAR TO MINUTE, 'Replacement sent next day.');
INSERT INTO service_call VALUES (107, DATETIME (2025-09-03 20:30) YEAR TO MINUTE, 'tom', 'O', 'Invoice shows last year''s prices.', DATETIME (2025-09-06 18:30) YEAR TO MINUTE, 'Replacement sent next day.');
INSERT INTO service_call VALUES (122, DATETIME (2025-02-17 21:45) YEAR TO MINUTE, 'rachel', 'O', 'Tyre sidewall split on arrival.', DATETIME (2025-02-18 09:45) YEAR TO MINUTE, 'Replacement sent next day.');
INSERT INTO service_call VALUES (114, DATETIME (2025-10-11 05:15) YEAR TO MINUTE, 'informix', 'B', 'Tyre sidewall split on arrival.', NULL, NULL);
INSERT INTO service_call VALUES (144, DATETIME (2025-02-10 16:45) YEAR TO MINUTE, 'informix', 'L', 'Delivery three days late, customer event missed.', NULL, NULL);
INSERT INTO service_call VALUES (114, DATETIME (2025-06-01 08:15) YEAR TO MINUTE, 'informix', 'D', 'Tyre sidewall split on arrival.', NULL, NULL);
INSERT INTO service_call VALUES (109, DATETIME (2025-03-13 07:30) YEAR TO MINUTE, 'rachel', 'B', 'Tyre sidewall split on arrival.', DATETIME (2025-03-15 13:30) YEAR TO MINUTE, 'Sent the document by e-mail.');
INSERT INTO service_call VALUES (102, DATETIME (2025-02-26 11:45) YEAR TO MINUTE, 'tom', 'D', 'Tyre sidewall split on arrival.', DATETIME (2025-02-27 19:45) YEAR TO MINUTE, 'Apologised; courier claim opened.');
INSERT INTO service_call VALUES (129, DATETIME (2025-06-14 05:00) YEAR TO MINUTE, 'tom', 'B', 'Invoice shows last year''s prices.', DATETIME (2025-06-14 18:00) YEAR TO MINUTE, 'Replacement sent next day.');
INSERT INTO service_call VALUES (101, DATETIME (2025-10-19 23:15) YEAR TO MINUTE, 'informix', 'L', 'Asked for a copy of the conformity certificate.', DATETIME (2025-10-22 05:15) YEAR TO MINUTE, 'Replacement sent next day.');
INSERT INTO service_call VALUES (111, DATETIME (2025-08-11 12:30) YEAR TO MINUTE, 'rachel', 'I', 'Asked for a copy of the conformity certificate.', DATETIME (2025-08-12 05:30) YEAR TO MINUTE, 'Credit note issued.');
INSERT INTO service_call VALUES (144, DATETIME (2025-10-24 12:45) YEAR TO MINUTE, 'rachel', 'O', 'Delivery three days late, customer event missed.', DATETIME (2025-10-26 07:45) YEAR TO MINUTE, 'Collected and refunded.');
INSERT INTO service_call VALUES (104, DATETIME (2025-11-12 14:00) YEAR TO MINUTE, 'informix', 'O', 'Wrong cassette ratio sent.', DATETIME (2025-11-14 04:00) YEAR TO MINUTE, 'Apologised; courier claim opened.');
INSERT INTO service_call VALUES (107, DATETIME (2025-10-14 12:30) YEAR TO MINUTE, 'tom', 'D', 'Wrong cassette ratio sent.', NULL, NULL);
INSERT INTO service_call VALUES (137, DATETIME (2025-09-10 15:45) YEAR TO MINUTE, 'tom', 'O', 'Delivery three days late, customer event missed.', NULL, NULL);
INSERT INTO service_call VALUES (124, DATETIME (2025-06-08 08:30) YEAR TO MINUTE, 'rachel', 'O', 'Chain length shorter than listed.', NULL, NULL);
INSERT INTO service_call VALUES (108, DATETIME (2025-05-17 20:30) YEAR TO MINUTE, 'rachel', 'O', 'Tyre sidewall split on arrival.', DATETIME (2025-05-19 18:30) YEAR TO MINUTE, 'Credit note issued.');
INSERT INTO service_call VALUES (118, DATETIME (2025-10-05 04:00) YEAR TO MINUTE, 'informix', 'L', 'Chain length shorter than listed.', DATETIME (2025-10-05 13:00) YEAR TO MINUTE, 'Sent the document by e-mail.');
INSERT INTO service_call VALUES (108, DATETIME (2025-08-22 05:45) YEAR TO MINUTE, 'tom', 'D', 'Delivery three days late, customer event missed.', NULL, NULL);

-- Exchange rates
INSERT INTO exchange_rate VALUES ('EUR', '01/01/2026', 1.165922, 1.165922006);
INSERT INTO exchange_rate VALUES ('EUR', '01/08/2026', 1.173205, 1.173204863);
INSERT INTO exchange_rate VALUES ('EUR', '01/15/2026', 1.162536, 1.162536069);
INSERT INTO exchange_rate VALUES ('EUR', '01/22/2026', 1.164675, 1.164675182);
INSERT INTO exchange_rate VALUES ('EUR', '01/29/2026', 1.158030, 1.158030037);
INSERT INTO exchange_rate VALUES ('EUR', '02/05/2026', 1.148436, 1.148436083);
INSERT INTO exchange_rate VALUES ('EUR', '02/12/2026', 1.144390, 1.144390415);
INSERT INTO exchange_rate VALUES ('EUR', '02/19/2026', 1.146304, 1.146303827);
INSERT INTO exchange_rate VALUES ('EUR', '02/26/2026', 1.140644, 1.140643721);
INSERT INTO exchange_rate VALUES ('EUR', '03/05/2026', 1.145130, 1.145130357);
INSERT INTO exchange_rate VALUES ('EUR', '03/12/2026', 1.138392, 1.138391983);
INSERT INTO exchange_rate VALUES ('EUR', '03/19/2026', 1.144744, 1.144743715);
INSERT INTO exchange_rate VALUES ('USD', '01/01/2026', 1.277044, 1.277043723);
INSERT INTO exchange_rate VALUES ('USD', '01/08/2026', 1.281774, 1.2817742);
INSERT INTO exchange_rate VALUES ('USD', '01/15/2026', 1.270721, 1.270720765);
INSERT INTO exchange_rate VALUES ('USD', '01/22/2026', 1.270978, 1.270978094);
INSERT INTO exchange_rate VALUES ('USD', '01/29/2026', 1.262712, 1.262711524);
INSERT INTO exchange_rate VALUES ('USD', '02/05/2026', 1.267382, 1.267381666);
INSERT INTO exchange_rate VALUES ('USD', '02/12/2026', 1.255645, 1.255645332);
INSERT INTO exchange_rate VALUES ('USD', '02/19/2026', 1.246597, 1.24659711);
INSERT INTO exchange_rate VALUES ('USD', '02/26/2026', 1.245574, 1.245573617);
INSERT INTO exchange_rate VALUES ('USD', '03/05/2026', 1.242174, 1.242173634);
INSERT INTO exchange_rate VALUES ('USD', '03/12/2026', 1.232146, 1.232146413);
INSERT INTO exchange_rate VALUES ('USD', '03/19/2026', 1.234027, 1.234026538);
INSERT INTO exchange_rate VALUES ('JPY', '01/01/2026', 188.927272, 188.9272725);
INSERT INTO exchange_rate VALUES ('JPY', '01/08/2026', 190.452815, 190.4528147);
INSERT INTO exchange_rate VALUES ('JPY', '01/15/2026', 190.435632, 190.4356317);
INSERT INTO exchange_rate VALUES ('JPY', '01/22/2026', 192.064424, 192.0644238);
INSERT INTO exchange_rate VALUES ('JPY', '01/29/2026', 192.336136, 192.336136);
INSERT INTO exchange_rate VALUES ('JPY', '02/05/2026', 191.485656, 191.4856557);
INSERT INTO exchange_rate VALUES ('JPY', '02/12/2026', 189.660506, 189.660506);
INSERT INTO exchange_rate VALUES ('JPY', '02/19/2026', 190.695003, 190.6950034);
INSERT INTO exchange_rate VALUES ('JPY', '02/26/2026', 192.102546, 192.1025462);
INSERT INTO exchange_rate VALUES ('JPY', '03/05/2026', 193.380639, 193.3806385);
INSERT INTO exchange_rate VALUES ('JPY', '03/12/2026', 195.036740, 195.0367401);
INSERT INTO exchange_rate VALUES ('JPY', '03/19/2026', 195.578656, 195.5786558);

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

