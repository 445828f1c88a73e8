<?xml version="1.0" encoding="UTF-8"?>
<core:CityModel xmlns:core="http://www.opengis.net/citygml/2.0" xmlns:bldg="http://www.opengis.net/citygml/building/2.0" xmlns:gml="http://www.opengis.net/gml" xmlns:uro="https://www.geospatial.jp/iur/uro/3.1" xmlns:urf="https://www.geospatial.jp/iur/urf/3.1">
	<gml:boundedBy>
		<gml:Envelope srsName="http://www.opengis.net/def/crs/EPSG/0/6697" srsDimension="2">
			<gml:lowerCorner>35.68 139.76</gml:lowerCorner>
			<gml:upperCorner>35.681 139.761</gml:upperCorner>
		</gml:Envelope>
	</gml:boundedBy>
	<core:cityObjectMember>
		<bldg:Building gml:id="BLD_solid_1">
			<bldg:usage codeSpace="../../codelists/Building_usage.xml">412</bldg:usage>
			<bldg:measuredHeight uom="m">15.0</bldg:measuredHeight>
			<bldg:storeysAboveGround>4</bldg:storeysAboveGround>
			<bldg:lod1Solid>
				<gml:Solid>
					<gml:exterior>
						<gml:CompositeSurface>
							<gml:surfaceMember>
								<gml:Polygon>
									<gml:exterior>
										<gml:LinearRing>
											<gml:posList>35.6803 139.7603 25.0 35.680600000000005 139.7603 25.0 35.680600000000005 139.7606 25.0 35.6803 139.7606 25.0 35.6803 139.7603 25.0</gml:posList>
										</gml:LinearRing>
									</gml:exterior>
								</gml:Polygon>
							</gml:surfaceMember>
							<gml:surfaceMember>
								<gml:Polygon>
									<gml:exterior>
										<gml:LinearRing>
											<gml:posList>35.6803 139.7603 10.0 35.6803 139.7606 10.0 35.6803 139.7606 25.0 35.6803 139.7603 25.0 35.6803 139.7603 10.0</gml:posList>
										</gml:LinearRing>
									</gml:exterior>
								</gml:Polygon>
							</gml:surfaceMember>
							<gml:surfaceMember>
								<gml:Polygon>
									<gml:exterior>
										<gml:LinearRing>
											<gml:posList>35.6803 139.7606 10.0 35.680600000000005 139.7606 10.0 35.680600000000005 139.7606 25.0 35.6803 139.7606 25.0 35.6803 139.7606 10.0</gml:posList>
										</gml:LinearRing>
									</gml:exterior>
								</gml:Polygon>
							</gml:surfaceMember>
							<gml:surfaceMember>
								<gml:Polygon>
									<gml:exterior>
										<gml:LinearRing>
											<gml:posList>35.680600000000005 139.7606 10.0 35.680600000000005 139.7603 10.0 35.680600000000005 139.7603 25.0 35.680600000000005 139.7606 25.0 35.680600000000005 139.7606 10.0</gml:posList>
										</gml:LinearRing>
									</gml:exterior>
								</gml:Polygon>
							</gml:surfaceMember>
							<gml:surfaceMember>
								<gml:Polygon>
									<gml:exterior>
										<gml:LinearRing>
											<gml:posList>35.680600000000005 139.7603 10.0 35.6803 139.7603 10.0 35.6803 139.7603 25.0 35.680600000000005 139.7603 25.0 35.680600000000005 139.7603 10.0</gml:posList>
										</gml:LinearRing>
									</gml:exterior>
								</gml:Polygon>
							</gml:surfaceMember>
							<gml:surfaceMember>
								<gml:Polygon>
									<gml:exterior>
										<gml:LinearRing>
											<gml:posList>35.6803 139.7603 10.0 35.680600000000005 139.7603 10.0 35.680600000000005 139.7606 10.0 35.6803 139.7606 10.0 35.6803 139.7603 10.0</gml:posList>
										</gml:LinearRing>
									</gml:exterior>
								</gml:Polygon>
							</gml:surfaceMember>
						</gml:CompositeSurface>
					</gml:exterior>
				</gml:Solid>
			</bldg:lod1Solid>
		</bldg:Building>
	</core:cityObjectMember>
</core:CityModel>
